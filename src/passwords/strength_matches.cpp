#include "passwords/strength_matches.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "passwords/common_passwords.h"
#include "passwords/ranked_words.h"
#include "passwords/word_list.h"
#include "platform/parse.h"
#include "platform/wipe.h"

namespace vk::passwords {

namespace {

bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isLower(char c) { return c >= 'a' && c <= 'z'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char lowerOf(char c) { return isUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), lowerOf);
    return lower;
}

// log2 of the ways to mark from 1 to min(a, b) of a + b things: how zxcvbn counts where some
// capitals (or shifted keys, or l33t symbols) may stand among the rest.
double log2Placings(int a, int b) {
    double ways = 0;
    for (int i = 1; i <= std::min(a, b); ++i) ways += std::exp2(log2Choose(a + b, i));
    return std::log2(ways);
}

// ---- Common passwords, list words and names ----

constexpr size_t kLongestCommonOrEffWord = 16;  // no common password or EFF word is longer

size_t longestListed() { return std::max(kLongestCommonOrEffWord, longestRankedWord()); }

// Capitals: none cost nothing; only the first, only the last, or all of them, twice the guesses.
double log2CapitalVariations(std::string_view word) {
    const int upper = static_cast<int>(std::count_if(word.begin(), word.end(), isUpper));
    const int lower = static_cast<int>(std::count_if(word.begin(), word.end(), isLower));
    if (upper == 0) return 0;
    const bool firstOnly = upper == 1 && isUpper(word.front());
    const bool lastOnly = upper == 1 && isUpper(word.back());
    if (lower == 0 || firstOnly || lastOnly) return 1;
    return log2Placings(upper, lower);
}

struct L33t {
    char symbol;
    std::string_view letters;  // what it may stand for
};
constexpr L33t kL33t[] = {{'4', "a"}, {'@', "a"}, {'8', "b"}, {'(', "c"}, {'{', "c"}, {'[', "c"}, {'<', "c"},
                          {'3', "e"}, {'6', "g"}, {'9', "g"}, {'1', "il"}, {'!', "i"}, {'|', "il"}, {'0', "o"},
                          {'$', "s"}, {'5', "s"}, {'+', "t"}, {'7', "lt"}, {'%', "x"}, {'2', "z"}};

struct Unl33ted {
    std::string text;
    double log2Variations;  // the guesses the substitutions add
};

// The word with its l33t symbols read back as letters, each symbol standing for one letter
// throughout, in every way the table allows.
std::vector<Unl33ted> unl33tedForms(const std::string& lower) {
    std::vector<Unl33ted> forms;
    for (const L33t& sub : kL33t) {
        const int subbed = static_cast<int>(std::count(lower.begin(), lower.end(), sub.symbol));
        if (subbed == 0) continue;
        if (forms.empty()) forms.push_back({lower, 0});
        std::vector<Unl33ted> next;
        for (const Unl33ted& form : forms) {
            for (char letter : sub.letters) {
                const int unsubbed = static_cast<int>(std::count(lower.begin(), lower.end(), letter));
                Unl33ted read = form;
                std::replace(read.text.begin(), read.text.end(), sub.symbol, letter);
                read.log2Variations += unsubbed == 0 ? 1 : log2Placings(subbed, unsubbed);
                next.push_back(std::move(read));
            }
        }
        for (Unl33ted& replaced : forms) wipeSecret(replaced.text);
        forms = std::move(next);
    }
    return forms;
}

void addListedWords(std::string_view password, std::vector<Match>& out) {
    // A word chosen at random from the list takes half the list's size in guesses, on average.
    const double log2ListWordGuesses = std::log2((static_cast<double>(effLargeWordList().size()) + 1) / 2);
    const size_t longest = longestListed();
    for (size_t begin = 0; begin < password.size(); ++begin) {
        for (size_t end = begin + 1; end <= std::min(password.size(), begin + longest); ++end) {
            const std::string_view token = password.substr(begin, end - begin);
            const double capitals = log2CapitalVariations(token);
            auto add = [&](const std::string& word, double log2Variations) {
                if (auto rank = commonPasswordRank(word))
                    out.push_back({Pattern::CommonPassword, begin, end, std::log2(*rank) + capitals + log2Variations});
                if (isEffWord(word))
                    out.push_back({Pattern::ListWord, begin, end, log2ListWordGuesses + capitals + log2Variations});
                if (auto log2Rank = log2RankOfEnglishWord(word))
                    out.push_back({Pattern::ListWord, begin, end, *log2Rank + capitals + log2Variations});
                if (auto log2Rank = log2RankOfName(word))
                    out.push_back({Pattern::Name, begin, end, *log2Rank + capitals + log2Variations});
            };
            // Pieces of the password: wiped once looked up, as every copy of a password is.
            std::string lower = lowerCase(token);
            std::string reversed(lower.rbegin(), lower.rend());
            std::vector<Unl33ted> forms = unl33tedForms(lower);
            WipedWhenDone wipedLower(lower), wipedReversed(reversed);
            add(lower, 0);
            if (reversed != lower) add(reversed, 1);
            // A lone symbol read as a letter ("!" as "i") is a word only by chance.
            const bool l33tWord = token.size() > 1;
            for (Unl33ted& form : forms) {
                if (l33tWord) add(form.text, form.log2Variations);
                wipeSecret(form.text);
            }
        }
    }
}

// ---- Keyboard runs ----

// The US keyboard on a slanted grid: the keys above (x, y) are (x, y-1) and (x+1, y-1).
constexpr std::array<std::string_view, 4> kPlainRows = {"`1234567890-=", "qwertyuiop[]\\", "asdfghjkl;'", "zxcvbnm,./"};
constexpr std::array<std::string_view, 4> kShiftedRows = {"~!@#$%^&*()_+", "QWERTYUIOP{}|", "ASDFGHJKL:\"",
                                                          "ZXCVBNM<>?"};
constexpr std::array<int, 4> kRowIndent = {0, 1, 1, 1};
// Left, up, up-right, right, down, down-left.
constexpr std::array<std::pair<int, int>, 6> kNeighbourSteps = {{{-1, 0}, {0, -1}, {1, -1}, {1, 0}, {0, 1}, {-1, 1}}};

struct KeyPlace {
    int x, y;
    bool shifted;
};

std::optional<KeyPlace> placeOfKey(char c) {
    for (int y = 0; y < 4; ++y) {
        if (size_t at = kPlainRows[y].find(c); at != std::string_view::npos)
            return KeyPlace{static_cast<int>(at) + kRowIndent[y], y, false};
        if (size_t at = kShiftedRows[y].find(c); at != std::string_view::npos)
            return KeyPlace{static_cast<int>(at) + kRowIndent[y], y, true};
    }
    return std::nullopt;
}

bool hasKey(int x, int y) {
    return y >= 0 && y < 4 && x >= kRowIndent[y] && x - kRowIndent[y] < static_cast<int>(kPlainRows[y].size());
}

struct KeyStep {
    int direction;
    bool shifted;
};

// The way from one key to the next when they are neighbours.
std::optional<KeyStep> keyStep(char from, char to) {
    const std::optional<KeyPlace> start = placeOfKey(from);
    const std::optional<KeyPlace> next = placeOfKey(to);
    if (!start || !next) return std::nullopt;
    for (int direction = 0; direction < 6; ++direction) {
        const auto [dx, dy] = kNeighbourSteps[direction];
        if (start->x + dx == next->x && start->y + dy == next->y) return KeyStep{direction, next->shifted};
    }
    return std::nullopt;
}

double log2KeyboardGuesses(int length, int turns, int shifted) {
    int keys = 0, neighbours = 0;
    for (int y = 0; y < 4; ++y) {
        for (int x = kRowIndent[y]; hasKey(x, y); ++x) {
            ++keys;
            for (const auto& [dx, dy] : kNeighbourSteps) neighbours += hasKey(x + dx, y + dy) ? 1 : 0;
        }
    }
    const double startingPositions = 2.0 * keys;  // each key, shifted or not
    const double averageDegree = static_cast<double>(neighbours) / keys;
    // Every run of this length with at most this many turns, from every starting key.
    double guesses = 0;
    for (int i = 2; i <= length; ++i)
        for (int j = 1; j <= std::min(turns, i - 1); ++j)
            guesses += std::exp2(log2Choose(i - 1, j - 1)) * startingPositions * std::pow(averageDegree, j);
    const int unshifted = length - shifted;
    const double shifts = shifted == 0 ? 0 : unshifted == 0 ? 1 : log2Placings(shifted, unshifted);
    return std::log2(guesses) + shifts;
}

void addKeyboardRuns(std::string_view password, std::vector<Match>& out) {
    size_t begin = 0;
    while (begin + 1 < password.size()) {
        const std::optional<KeyPlace> first = placeOfKey(password[begin]);
        int shifted = first && first->shifted ? 1 : 0;
        int turns = 0;
        std::optional<int> lastDirection;
        size_t end = begin + 1;
        for (; end < password.size(); ++end) {
            const std::optional<KeyStep> step = keyStep(password[end - 1], password[end]);
            if (!step) break;
            shifted += step->shifted ? 1 : 0;
            if (step->direction != lastDirection) ++turns;
            lastDirection = step->direction;
        }
        if (end - begin > 2)
            out.push_back({Pattern::KeyboardRun, begin, end,
                           log2KeyboardGuesses(static_cast<int>(end - begin), turns, shifted)});
        begin = end;
    }
}

// ---- Sequences: abcd, 1357, zyx ----

constexpr int kLargestSequenceStep = 5;

double log2SequenceGuesses(std::string_view token, bool ascending) {
    const char first = token.front();
    // Sequences that start where people start them are tried first.
    double starts = std::string_view("aAzZ019").find(first) != std::string_view::npos ? 4 : isDigit(first) ? 10 : 26;
    if (!ascending) starts *= 2;
    return std::log2(starts * static_cast<double>(token.size()));
}

void addSequences(std::string_view password, std::vector<Match>& out) {
    if (password.size() < 2) return;
    auto add = [&](size_t first, size_t last, int step) {
        const bool longEnough = last - first > 1 || std::abs(step) == 1;
        if (!longEnough || step == 0 || std::abs(step) > kLargestSequenceStep) return;
        out.push_back({Pattern::Sequence, first, last + 1,
                       log2SequenceGuesses(password.substr(first, last - first + 1), step > 0)});
    };
    auto code = [&](size_t at) { return static_cast<int>(static_cast<unsigned char>(password[at])); };
    size_t first = 0;
    int step = code(1) - code(0);
    for (size_t at = 2; at < password.size(); ++at) {
        const int next = code(at) - code(at - 1);
        if (next == step) continue;
        add(first, at - 1, step);
        first = at - 1;
        step = next;
    }
    add(first, password.size() - 1, step);
}

// ---- Repeats: aaaa, abcabc ----

struct Run {
    size_t length;
    size_t unit;
};

// The longest run of one unit repeated from `at`, with its shortest unit; none when nothing repeats.
std::optional<Run> repeatAt(std::string_view text, size_t at) {
    std::optional<Run> longest;
    for (size_t unit = 1; at + 2 * unit <= text.size(); ++unit) {
        size_t length = unit;
        while (at + length + unit <= text.size() && text.substr(at + length, unit) == text.substr(at, unit))
            length += unit;
        if (length >= 2 * unit && (!longest || length > longest->length)) longest = Run{length, unit};
    }
    return longest;
}

void addRepeats(std::string_view password, const PartEstimate& estimateUnit, std::vector<Match>& out) {
    size_t at = 0;
    while (at < password.size()) {
        const std::optional<Run> run = repeatAt(password, at);
        if (!run) {
            ++at;
            continue;
        }
        const double repeats = static_cast<double>(run->length / run->unit);
        out.push_back({Pattern::Repeat, at, at + run->length,
                       estimateUnit(password.substr(at, run->unit)) + std::log2(repeats)});
        at += run->length;
    }
}

// ---- Dates and years ----

constexpr int kEarliestYear = 1000;
constexpr int kLatestYear = 2050;
constexpr int kLeastYearSpace = 20;  // a year near the reference year is still one of a few dozen tried
constexpr std::string_view kDateSeparators = " /\\_.-";

bool isDayAndMonth(int a, int b) { return (a >= 1 && a <= 31 && b >= 1 && b <= 12) || (b >= 1 && b <= 31 && a >= 1 && a <= 12); }
int fourDigitYear(int year) { return year > 99 ? year : year > 50 ? 1900 + year : 2000 + year; }

// The year of three numbers read as a date (day, month and year in some order), as zxcvbn reads them.
std::optional<int> yearOfDate(int a, int b, int c) {
    if (b > 31 || b <= 0) return std::nullopt;
    int over12 = 0, over31 = 0, under1 = 0;
    for (int x : {a, b, c}) {
        if ((x > 99 && x < kEarliestYear) || x > kLatestYear) return std::nullopt;
        over31 += x > 31 ? 1 : 0;
        over12 += x > 12 ? 1 : 0;
        under1 += x <= 0 ? 1 : 0;
    }
    if (over31 >= 2 || over12 == 3 || under1 >= 2) return std::nullopt;
    const std::array<std::array<int, 3>, 2> yearLastOrFirst = {{{c, a, b}, {a, b, c}}};
    for (const auto& [year, x, y] : yearLastOrFirst)
        if (year >= kEarliestYear && year <= kLatestYear) return isDayAndMonth(x, y) ? std::optional(year) : std::nullopt;
    for (const auto& [year, x, y] : yearLastOrFirst)
        if (isDayAndMonth(x, y)) return fourDigitYear(year);
    return std::nullopt;
}

int numberOf(std::string_view digits) { return parseWholeNumber(digits, 0, 999'999'999).value_or(0); }

size_t digitsFrom(std::string_view text, size_t at) {
    size_t end = at;
    while (end < text.size() && isDigit(text[end])) ++end;
    return end - at;
}

// "13/4/1987": one to four digits, a separator, one or two digits, the same separator, one to four digits.
std::optional<int> yearOfSeparatedDate(std::string_view token) {
    const size_t first = digitsFrom(token, 0);
    if (first < 1 || first > 4 || first >= token.size() || kDateSeparators.find(token[first]) == std::string_view::npos)
        return std::nullopt;
    const size_t second = digitsFrom(token, first + 1);
    const size_t secondSeparator = first + 1 + second;
    if (second < 1 || second > 2 || secondSeparator >= token.size() || token[secondSeparator] != token[first])
        return std::nullopt;
    const size_t third = digitsFrom(token, secondSeparator + 1);
    if (third < 1 || third > 4 || secondSeparator + 1 + third != token.size()) return std::nullopt;
    return yearOfDate(numberOf(token.substr(0, first)), numberOf(token.substr(first + 1, second)),
                      numberOf(token.substr(secondSeparator + 1)));
}

// "13041987": the ways digits of each length split into three numbers; of the dates they make, the
// one nearest the reference year.
std::optional<int> yearOfDigitDate(std::string_view token, int referenceYear) {
    static constexpr std::array<std::array<std::array<size_t, 2>, 4>, 9> kSplits = {{
        {}, {}, {}, {},
        {{{1, 2}, {2, 3}}},
        {{{1, 3}, {2, 3}}},
        {{{1, 2}, {2, 4}, {4, 5}}},
        {{{1, 3}, {2, 3}, {4, 5}, {4, 6}}},
        {{{2, 4}, {4, 6}}},
    }};
    std::optional<int> nearest;
    for (const auto& [second, third] : kSplits[token.size()]) {
        if (second == 0) break;
        const std::optional<int> year = yearOfDate(numberOf(token.substr(0, second)),
                                                   numberOf(token.substr(second, third - second)),
                                                   numberOf(token.substr(third)));
        if (year && (!nearest || std::abs(*year - referenceYear) < std::abs(*nearest - referenceYear))) nearest = year;
    }
    return nearest;
}

double log2YearGuesses(int year, int referenceYear) {
    return std::log2(std::max(std::abs(year - referenceYear), kLeastYearSpace));
}

void addDates(std::string_view password, int referenceYear, std::vector<Match>& out) {
    std::vector<Match> dates;
    for (size_t begin = 0; begin < password.size(); ++begin) {
        for (size_t length = 4; length <= 10 && begin + length <= password.size(); ++length) {
            const std::string_view token = password.substr(begin, length);
            const bool allDigits = digitsFrom(token, 0) == length;
            std::optional<int> year;
            if (allDigits && length <= 8) year = yearOfDigitDate(token, referenceYear);
            if (!allDigits && length >= 6) year = yearOfSeparatedDate(token);
            if (!year) continue;
            // Any day of one of the years tried; a separator is one of a few more guesses.
            const double separators = allDigits ? 0 : 2;
            dates.push_back({Pattern::Date, begin, begin + length,
                             log2YearGuesses(*year, referenceYear) + std::log2(365.0) + separators});
        }
    }
    // A date inside a longer date is no match of its own.
    for (const Match& date : dates) {
        const bool inside = std::any_of(dates.begin(), dates.end(), [&](const Match& other) {
            return other != date && other.begin <= date.begin && other.end >= date.end;
        });
        if (!inside) out.push_back(date);
    }
}

// 19xx and 20xx.
void addYears(std::string_view password, int referenceYear, std::vector<Match>& out) {
    for (size_t begin = 0; begin + 4 <= password.size(); ++begin) {
        const std::string_view token = password.substr(begin, 4);
        if (digitsFrom(token, 0) != 4 || !(token.starts_with("19") || token.starts_with("20"))) continue;
        out.push_back({Pattern::Year, begin, begin + 4, log2YearGuesses(numberOf(token), referenceYear)});
    }
}

}  // namespace

double log2Choose(int n, int k) {
    return (std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0)) / std::log(2.0);
}

double log2Sum(double a, double b) {
    const double high = std::max(a, b);
    const double low = std::min(a, b);
    return high + std::log2(1 + std::exp2(low - high));
}

std::vector<Match> findMatches(std::string_view password, int referenceYear, const PartEstimate& estimateUnit) {
    std::vector<Match> matches;
    addListedWords(password, matches);
    addKeyboardRuns(password, matches);
    addSequences(password, matches);
    addRepeats(password, estimateUnit, matches);
    addDates(password, referenceYear, matches);
    addYears(password, referenceYear, matches);
    return matches;
}

}  // namespace vk::passwords

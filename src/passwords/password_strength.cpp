#include "passwords/password_strength.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <optional>

namespace vk::passwords {

namespace {

// zxcvbn's constants: a part of one character takes at least 10 guesses, a longer one 50; random
// characters take 10 guesses each (fewer than their alphabet: they are rarely truly random).
constexpr double kLeastForOneCharacter = 10;
constexpr double kLeastForLongerPart = 50;
constexpr double kRandomCharacterGuesses = 10;
// Each further part multiplies the guesses, and adds this many raised to the number of parts: an
// attacker tries short patterns before long chains of them.
constexpr double kGuessesPerPart = 10'000;
constexpr double kLog2WeakBelow = 26.575424759098897;    // log2(10^8)
constexpr double kLog2StrongFrom = 33.219280948873624;  // log2(10^10)

double log2Factorial(size_t n) { return std::lgamma(static_cast<double>(n) + 1) / std::log(2.0); }

// A part of the password takes at least a few guesses, however simple its pattern.
double log2GuessesOf(const Match& part, size_t passwordLength) {
    const size_t length = part.end - part.begin;
    if (length == passwordLength) return std::max(part.log2Guesses, 0.0);
    return std::max(part.log2Guesses, std::log2(length == 1 ? kLeastForOneCharacter : kLeastForLongerPart));
}

Match randomPart(size_t begin, size_t end) {
    const auto length = static_cast<double>(end - begin);
    // One more than the least of any part, so that a pattern of the same length is preferred.
    const double least = end - begin == 1 ? kLeastForOneCharacter + 1 : kLeastForLongerPart + 1;
    return {Pattern::Random, begin, end, std::max(length * std::log2(kRandomCharacterGuesses), std::log2(least))};
}

// zxcvbn's search for the guesses of the cheapest cover of the password by parts, which may not
// overlap and leave no gap: for each end, the best cover with each count of parts.
class CheapestCover {
public:
    CheapestCover(size_t length, bool countPartsAdded) : length_(length), countPartsAdded_(countPartsAdded), best_(length + 1) {}

    // `matches` are the patterns found; random parts fill what lies between them.
    PasswordStrength find(const std::vector<Match>& matches) {
        std::vector<std::vector<Match>> endingAt(length_ + 1);
        for (const Match& match : matches) endingAt[match.end].push_back(match);
        for (size_t end = 1; end <= length_; ++end) {
            for (const Match& match : endingAt[end]) extendWith(match);
            for (size_t begin = 0; begin < end; ++begin) extendWith(randomPart(begin, end), true);
        }
        return unwind();
    }

private:
    struct Cover {
        double log2Product;  // of the parts' guesses
        double log2Guesses;  // of the whole cover
        Match last;
    };

    // Adds `part` after every best cover that ends where it begins. Two random parts never follow
    // each other: one longer random part covers them more cheaply.
    void extendWith(const Match& part, bool random = false) {
        if (part.begin == 0) return consider(part, 1, 0);
        for (const auto& [parts, cover] : best_[part.begin]) {
            if (random && cover.last.pattern == Pattern::Random) continue;
            consider(part, parts + 1, cover.log2Product);
        }
    }

    void consider(const Match& part, size_t parts, double log2ProductBefore) {
        const double product = log2ProductBefore + log2GuessesOf(part, length_);
        double guesses = log2Factorial(parts) + product;
        if (countPartsAdded_) guesses = log2Sum(guesses, static_cast<double>(parts - 1) * std::log2(kGuessesPerPart));
        std::map<size_t, Cover>& covers = best_[part.end];
        for (const auto& [fewer, cover] : covers)
            if (fewer <= parts && cover.log2Guesses <= guesses) return;
        covers.insert_or_assign(parts, Cover{product, guesses, part});
    }

    PasswordStrength unwind() const {
        PasswordStrength strength;
        const auto cheapest = std::min_element(best_[length_].begin(), best_[length_].end(), [](const auto& a, const auto& b) {
            return a.second.log2Guesses < b.second.log2Guesses;
        });
        strength.bits = cheapest->second.log2Guesses;
        size_t parts = cheapest->first;
        for (size_t end = length_; end > 0; --parts) {
            const Match& last = best_[end].at(parts).last;
            strength.parts.insert(strength.parts.begin(), last);
            end = last.begin;
        }
        return strength;
    }

    size_t length_;
    bool countPartsAdded_;
    std::vector<std::map<size_t, Cover>> best_;  // by end, then by count of parts
};

PasswordStrength cheapestGuess(std::string_view password, int referenceYear, bool countPartsAdded) {
    if (password.empty()) return {};
    password = password.substr(0, kLongestJudged);
    // A repeat's unit is judged as a password of its own, without the cost of its parts' count.
    auto estimateUnit = [referenceYear](std::string_view unit) { return cheapestGuess(unit, referenceYear, false).bits; };
    return CheapestCover(password.size(), countPartsAdded).find(findMatches(password, referenceYear, estimateUnit));
}

StrengthLevel levelOf(double bits) {
    if (bits < kLog2WeakBelow) return StrengthLevel::Weak;
    return bits < kLog2StrongFrom ? StrengthLevel::Fair : StrengthLevel::Strong;
}

const char* wordFor(StrengthLevel level) {
    switch (level) {
    case StrengthLevel::Weak: return "weak";
    case StrengthLevel::Fair: return "fair";
    case StrengthLevel::Strong: break;
    }
    return "strong";
}

const char* nameOf(Pattern pattern) {
    switch (pattern) {
    case Pattern::CommonPassword: return "common password";
    case Pattern::ListWord: return "dictionary word";
    case Pattern::Name: return "name";
    case Pattern::KeyboardRun: return "keyboard run";
    case Pattern::Sequence: return "sequence";
    case Pattern::Repeat: return "repeat";
    case Pattern::Date: return "date";
    case Pattern::Year: return "year";
    case Pattern::Random: break;
    }
    return "random";
}

int thisYear() {
    const auto today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
    return static_cast<int>(std::chrono::year_month_day(today).year());
}

}  // namespace

PasswordStrength estimateStrength(std::string_view password, int referenceYear) {
    PasswordStrength strength = cheapestGuess(password, referenceYear, true);
    strength.level = levelOf(strength.bits);
    return strength;
}

PasswordStrength estimateStrength(std::string_view password) { return estimateStrength(password, thisYear()); }

std::string strengthLine(std::string_view password) {
    return password.empty() ? std::string() : strengthLine(estimateStrength(password));
}

std::string strengthLine(const PasswordStrength& strength) {
    std::string line = std::string("Strength: ") + wordFor(strength.level) + " (about " +
                       std::to_string(std::lround(strength.bits)) + " bits)";
    if (strength.level == StrengthLevel::Strong) return line;
    // What made it guessable, each kind of pattern once, in the order they appear.
    std::vector<Pattern> named;
    for (const Match& part : strength.parts)
        if (part.pattern != Pattern::Random && std::find(named.begin(), named.end(), part.pattern) == named.end())
            named.push_back(part.pattern);
    for (size_t i = 0; i < named.size(); ++i) line += (i == 0 ? ": " : " + ") + std::string(nameOf(named[i]));
    return line;
}

}  // namespace vk::passwords

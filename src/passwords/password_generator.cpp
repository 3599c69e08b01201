#include "passwords/password_generator.h"

#include <cmath>
#include <numeric>
#include <span>
#include <stdexcept>

#include "passwords/random_choice.h"
#include "platform/parse.h"
#include "passwords/word_list.h"

namespace vk::passwords {

namespace {

constexpr std::string_view kLookAlikes = "Il1O0";
constexpr char kVaultSeparator = '|';

bool isLookAlike(char c) { return kLookAlikes.find(c) != std::string_view::npos; }

// The printable ASCII characters (space aside) that pass the test, in code order.
template <typename Test>
std::string printableWhere(Test test, bool avoidLookAlikes) {
    std::string set;
    for (char c = '!'; c <= '~'; ++c)
        if (test(c) && c != kVaultSeparator && !(avoidLookAlikes && isLookAlike(c))) set += c;
    return set;
}

bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isLower(char c) { return c >= 'a' && c <= 'z'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSymbol(char c) { return !isUpper(c) && !isLower(c) && !isDigit(c); }

// One character of each set, then the rest from all of them, in an order shuffled afresh: each set
// appears at least once, and where it appears gives nothing away.
std::string randomCharacters(RandomChoice& random, const std::vector<std::string>& sets, int length) {
    const std::string all = std::accumulate(sets.begin(), sets.end(), std::string());
    std::string password;
    for (const std::string& set : sets) password += set[random.below(static_cast<std::uint32_t>(set.size()))];
    while (password.size() < static_cast<size_t>(length))
        password += all[random.below(static_cast<std::uint32_t>(all.size()))];
    random.shuffle(std::span<char>(password));
    return password;
}

std::string randomWords(RandomChoice& random, int count) {
    const std::vector<std::string>& words = effLargeWordList();
    std::string passphrase;
    for (int i = 0; i < count; ++i) {
        if (i > 0) passphrase += kWordSeparator;
        passphrase += words[random.below(static_cast<std::uint32_t>(words.size()))];
    }
    return passphrase;
}

// E[log2(1 + B)] for B binomial with n trials of probability p.
double expectedLog2OnePlusBinomial(int n, double p) {
    if (p >= 1) return std::log2(1.0 + n);
    double expected = 0;
    for (int j = 0; j <= n; ++j) {
        const double logChance = std::lgamma(n + 1.0) - std::lgamma(j + 1.0) - std::lgamma(n - j + 1.0) +
                                 j * std::log(p) + (n - j) * std::log1p(-p);
        expected += std::exp(logChance) * std::log2(1.0 + j);
    }
    return expected;
}

std::string rangeProblem(const char* before, int lowest, int highest, const char* after) {
    std::string text = before;
    return text.append(std::to_string(lowest)).append(" to ").append(std::to_string(highest)).append(after);
}

}  // namespace

std::vector<std::string> characterSets(const GeneratorChoice& choice) {
    const bool avoid = choice.avoidLookAlikes;
    std::vector<std::string> sets;
    if (choice.upper) sets.push_back(printableWhere(isUpper, avoid));
    if (choice.lower) sets.push_back(printableWhere(isLower, avoid));
    if (choice.digits) sets.push_back(printableWhere(isDigit, avoid));
    if (choice.symbols) sets.push_back(printableWhere(isSymbol, avoid));
    return sets;
}

std::string choiceProblem(const GeneratorChoice& choice) {
    if (choice.mode == GeneratorMode::Passphrase) {
        if (choice.words < kFewestWords || choice.words > kMostWords)
            return rangeProblem("Choose from ", kFewestWords, kMostWords, " words.");
        return {};
    }
    if (characterSets(choice).empty()) return "Tick at least one set of characters.";
    if (choice.length < kShortestLength || choice.length > kLongestLength)
        return rangeProblem("Choose a length from ", kShortestLength, kLongestLength, ".");
    return {};
}

std::optional<std::string> generatePassword(vault::Cryptography& crypto, const GeneratorChoice& choice) {
    if (!choiceProblem(choice).empty()) throw std::invalid_argument(choiceProblem(choice));
    RandomChoice random(crypto);
    try {
        if (choice.mode == GeneratorMode::Passphrase) return randomWords(random, choice.words);
        return randomCharacters(random, characterSets(choice), choice.length);
    } catch (const RandomnessUnavailable&) {
        return std::nullopt;
    }
}

// A result that holds d_i characters of S_i comes out of prod(d_i) * (L-k)! of the equally likely
// draws (which of its S_i characters was the one placed first, and the order of the rest), each of
// chance 1 / (prod|S_i| * |U|^(L-k) * L!), for k sets S_i, their union U and length L. So
//   H = log2(L!/(L-k)!) + sum log2|S_i| + (L-k) log2|U| - sum E[log2 d_i],
// with d_i - 1 binomial: L-k draws from U, each in S_i with chance |S_i|/|U|.
double characterDrawBits(std::span<const size_t> setSizes, int length) {
    const int k = static_cast<int>(setSizes.size());
    const int rest = length - k;
    const auto all = static_cast<double>(std::accumulate(setSizes.begin(), setSizes.end(), size_t{0}));
    double bits = (std::lgamma(length + 1.0) - std::lgamma(rest + 1.0)) / std::log(2.0) + rest * std::log2(all);
    for (size_t size : setSizes) {
        const auto setSize = static_cast<double>(size);
        bits += std::log2(setSize) - expectedLog2OnePlusBinomial(rest, setSize / all);
    }
    return bits;
}

double generatedBits(const GeneratorChoice& choice) {
    if (!choiceProblem(choice).empty()) return 0;
    // Four words of the list hold a hyphen ("t-shirt"), so a few passphrases can be read as two
    // different choices of words; they are too few to change the figure by a hundredth of a bit.
    if (choice.mode == GeneratorMode::Passphrase)
        return choice.words * std::log2(static_cast<double>(effLargeWordList().size()));
    std::vector<size_t> sizes;
    for (const std::string& set : characterSets(choice)) sizes.push_back(set.size());
    return characterDrawBits(sizes, choice.length);
}

std::string aboutBitsText(double bits) {
    std::string text = "About ";
    return text.append(std::to_string(std::lround(bits))).append(" bits");
}

std::vector<std::pair<std::string, std::string>> settingsOf(const GeneratorChoice& choice) {
    auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
    return {
        {"generatorMode", choice.mode == GeneratorMode::Passphrase ? "passphrase" : "characters"},
        {"generatorLength", std::to_string(choice.length)},
        {"generatorUpper", flag(choice.upper)},
        {"generatorLower", flag(choice.lower)},
        {"generatorDigits", flag(choice.digits)},
        {"generatorSymbols", flag(choice.symbols)},
        {"generatorAvoidLookAlikes", flag(choice.avoidLookAlikes)},
        {"generatorWords", std::to_string(choice.words)},
    };
}

GeneratorChoice choiceFromSettings(const std::function<std::string(const std::string& name)>& stored) {
    GeneratorChoice choice;
    const std::string mode = stored("generatorMode");
    if (mode == "passphrase" || mode == "characters")
        choice.mode = mode == "passphrase" ? GeneratorMode::Passphrase : GeneratorMode::Characters;
    choice.length = parseWholeNumber(stored("generatorLength"), kShortestLength, kLongestLength).value_or(choice.length);
    choice.upper = parseSwitch(stored("generatorUpper")).value_or(choice.upper);
    choice.lower = parseSwitch(stored("generatorLower")).value_or(choice.lower);
    choice.digits = parseSwitch(stored("generatorDigits")).value_or(choice.digits);
    choice.symbols = parseSwitch(stored("generatorSymbols")).value_or(choice.symbols);
    choice.avoidLookAlikes = parseSwitch(stored("generatorAvoidLookAlikes")).value_or(choice.avoidLookAlikes);
    choice.words = parseWholeNumber(stored("generatorWords"), kFewestWords, kMostWords).value_or(choice.words);
    return choice;
}

}  // namespace vk::passwords

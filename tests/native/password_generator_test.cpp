// The password generator: what its results hold, that its choices are uniform (chi-square checks
// against a fixed stream of bytes), the entropy it reports, the word list it draws from, and the
// choices it keeps in the settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "passwords/front_coded.h"
#include "passwords/password_generator.h"
#include "passwords/random_choice.h"
#include "passwords/word_list.h"

namespace vk::passwords {
namespace {

using vault::ByteSpan;
using vault::ByteView;

// Random bytes from a fixed seed (splitmix64), so that every run sees the same draws; it has no
// other cryptography.
class SeededRandom final : public vault::Cryptography {
public:
    bool randomBytes(ByteSpan out) override {
        for (auto& byte : out) byte = static_cast<std::uint8_t>(next() >> 56);
        return !fails;
    }
    bool pbkdf2HmacSha256(std::string_view, ByteView, std::uint32_t, ByteSpan) override { return false; }
    bool hmacSha256(ByteView, ByteView, std::span<std::uint8_t, vault::kHmacSize>) override { return false; }
    bool sha256(ByteView, std::span<std::uint8_t, vault::kDigestSize>) override { return false; }
    bool sealAes256Gcm(ByteView, ByteView, ByteView, ByteView, ByteSpan, std::span<std::uint8_t, vault::kTagSize>) override {
        return false;
    }
    Opening openAes256Gcm(ByteView, ByteView, ByteView, ByteView, std::span<const std::uint8_t, vault::kTagSize>,
                          ByteSpan) override {
        return Opening::Failed;
    }
    bool fails = false;

private:
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint64_t state_ = 20260101;
};

// Chi-square of observed counts against expected ones, and the value it exceeds by chance less
// than once in a billion (Wilson-Hilferty, z = 6).
double chiSquare(const std::vector<double>& observed, const std::vector<double>& expected) {
    double sum = 0;
    for (size_t i = 0; i < observed.size(); ++i) sum += (observed[i] - expected[i]) * (observed[i] - expected[i]) / expected[i];
    return sum;
}
double chanceLimit(size_t degreesOfFreedom) {
    const double k = static_cast<double>(degreesOfFreedom);
    return k * std::pow(1 - 2 / (9 * k) + 6.0 * std::sqrt(2 / (9 * k)), 3);
}

bool isUniform(const std::function<std::uint32_t()>& draw, std::uint32_t bound, int draws) {
    const std::uint32_t bins = std::min<std::uint32_t>(bound, 64);
    std::vector<double> observed(bins), expected(bins);
    for (std::uint32_t value = 0; value < bound; ++value)
        expected[static_cast<std::uint64_t>(value) * bins / bound] += static_cast<double>(draws) / bound;
    for (int i = 0; i < draws; ++i) {
        const std::uint32_t value = draw();
        if (value >= bound) return false;
        observed[static_cast<std::uint64_t>(value) * bins / bound] += 1;
    }
    return chiSquare(observed, expected) < chanceLimit(bins - 1);
}

TEST(RandomChoice, IsUniformWhereTheRemainderOfAModuloIsNot) {
    SeededRandom bytes;
    RandomChoice random(bytes);
    auto byte = [&] {
        std::uint8_t b[1];
        bytes.randomBytes(b);
        return std::uint32_t{b[0]};
    };
    struct Case {
        const char* what;
        std::function<std::uint32_t()> draw;
        std::uint32_t bound;
        bool uniform;
    } cases[] = {
        {"below 94", [&] { return random.below(94); }, 94, true},
        {"a byte modulo 94", [&] { return byte() % 94; }, 94, false},
        {"below 7776", [&] { return random.below(7776); }, 7776, true},
        {"two bytes modulo 7776", [&] { return (byte() * 256 + byte()) % 7776; }, 7776, false},
        {"below 70000", [&] { return random.below(70000); }, 70000, true},
    };
    for (const Case& c : cases) EXPECT_EQ(isUniform(c.draw, c.bound, 200'000), c.uniform) << c.what;

}

GeneratorChoice characters(int length, bool upper, bool lower, bool digits, bool symbols, bool avoid = false) {
    GeneratorChoice choice;
    choice.length = length;
    choice.upper = upper;
    choice.lower = lower;
    choice.digits = digits;
    choice.symbols = symbols;
    choice.avoidLookAlikes = avoid;
    return choice;
}

TEST(PasswordGenerator, CharactersComeFromTheTickedSetsEachAtLeastOnce) {
    const GeneratorChoice choices[] = {
        characters(20, true, true, true, true),  characters(8, true, true, true, true),
        characters(128, true, true, true, true), characters(8, false, false, true, false),
        characters(12, false, false, false, true), characters(16, true, false, true, false, true),
        characters(9, true, true, true, true, true),
    };
    SeededRandom bytes;
    for (const GeneratorChoice& choice : choices) {
        const std::vector<std::string> sets = characterSets(choice);
        const std::string all = std::accumulate(sets.begin(), sets.end(), std::string());
        SCOPED_TRACE(all + " x " + std::to_string(choice.length));
        ASSERT_EQ(choiceProblem(choice), "");
        for (int i = 0; i < 200; ++i) {
            const std::optional<std::string> password = generatePassword(bytes, choice);
            ASSERT_TRUE(password);
            ASSERT_EQ(password->size(), static_cast<size_t>(choice.length));
            for (char c : *password) {
                ASSERT_TRUE(c > ' ' && c <= '~') << int(c);  // printable ASCII: the vault stores it as typed
                ASSERT_NE(c, '|');                            // the vault's separator
                ASSERT_NE(all.find(c), std::string::npos) << c;
                if (choice.avoidLookAlikes) {
                    ASSERT_EQ(std::string_view("Il1O0").find(c), std::string::npos) << c;
                }
            }
            for (const std::string& set : sets) ASSERT_NE(password->find_first_of(set), std::string::npos) << set;
        }
    }
}

TEST(PasswordGenerator, CharactersAreDrawnUniformlyAndShuffled) {
    SeededRandom bytes;
    // Each character: its set's one sure place, plus its share of the rest drawn from all sets.
    const GeneratorChoice choice = characters(8, true, true, true, true);
    const std::vector<std::string> sets = characterSets(choice);
    const std::string all = std::accumulate(sets.begin(), sets.end(), std::string());
    const int passwords = 20'000;
    const int rest = choice.length - static_cast<int>(sets.size());
    std::vector<double> observed(all.size()), expected(all.size());
    for (const std::string& set : sets)
        for (char c : set)
            expected[all.find(c)] = passwords * (1.0 / set.size() + static_cast<double>(rest) / all.size());
    // Where the digits stand: each of the eight places equally often, whatever order they were drawn in.
    const GeneratorChoice digitsAmongLetters = characters(8, false, true, true, false);
    std::vector<double> digitPlaces(8);
    double digitCount = 0;
    for (int i = 0; i < passwords; ++i) {
        const std::string password = *generatePassword(bytes, choice);
        for (char c : password) observed[all.find(c)] += 1;
        const std::string mixed = *generatePassword(bytes, digitsAmongLetters);
        for (size_t place = 0; place < mixed.size(); ++place) {
            const bool digit = mixed[place] >= '0' && mixed[place] <= '9';
            digitPlaces[place] += digit ? 1 : 0;
            digitCount += digit ? 1 : 0;
        }
    }
    EXPECT_LT(chiSquare(observed, expected), chanceLimit(all.size() - 1));
    EXPECT_LT(chiSquare(digitPlaces, std::vector<double>(8, digitCount / 8)), chanceLimit(7));
}

// The draw's entropy by enumeration, for sets small enough to follow every draw: each first
// character of each set, each rest, each order.
double enumeratedBits(const std::vector<std::string>& sets, int length) {
    const std::string all = std::accumulate(sets.begin(), sets.end(), std::string());
    std::map<std::string, double> chances;
    std::vector<size_t> firsts(sets.size()), rest(length - sets.size());
    double draws = 0;
    std::function<void(size_t)> pickFirsts, pickRest;
    auto shuffleAll = [&] {
        std::string drawn;
        for (size_t i = 0; i < sets.size(); ++i) drawn += sets[i][firsts[i]];
        for (size_t r : rest) drawn += all[r];
        std::vector<int> order(drawn.size());
        std::iota(order.begin(), order.end(), 0);
        do {
            std::string result;
            for (int i : order) result += drawn[i];
            chances[result] += 1;
            draws += 1;
        } while (std::next_permutation(order.begin(), order.end()));
    };
    pickRest = [&](size_t i) {
        if (i == rest.size()) return shuffleAll();
        for (rest[i] = 0; rest[i] < all.size(); ++rest[i]) pickRest(i + 1);
    };
    pickFirsts = [&](size_t i) {
        if (i == sets.size()) return pickRest(0);
        for (firsts[i] = 0; firsts[i] < sets[i].size(); ++firsts[i]) pickFirsts(i + 1);
    };
    pickFirsts(0);
    double bits = 0;
    for (const auto& [result, count] : chances) bits -= count / draws * std::log2(count / draws);
    return bits;
}

TEST(PasswordGenerator, ReportsTheEntropyOfItsOwnDraw) {
    const std::vector<std::vector<std::string>> setsOfSets = {
        {"ab", "c"}, {"abc", "de"}, {"a", "b", "cd"}, {"abcd"}, {"ab", "cde", "f"},
    };
    for (const auto& sets : setsOfSets) {
        std::vector<size_t> sizes;
        for (const std::string& set : sets) sizes.push_back(set.size());
        for (int length = static_cast<int>(sets.size()); length <= 5; ++length)
            EXPECT_NEAR(characterDrawBits(sizes, length), enumeratedBits(sets, length), 1e-9)
                << sets.size() << " sets, length " << length;
    }

    // A fraction of a bit below drawing every character from all the sets; nothing for a choice
    // that cannot be made.
    const GeneratorChoice usual;
    const std::vector<std::string> sets = characterSets(usual);
    const double all = static_cast<double>(std::accumulate(sets.begin(), sets.end(), std::string()).size());
    EXPECT_LT(generatedBits(usual), usual.length * std::log2(all));
    EXPECT_GT(generatedBits(usual), usual.length * std::log2(all) - 1);
    EXPECT_EQ(generatedBits(characters(20, false, false, false, false)), 0);
}

// Whether the text is exactly `count` words of the list joined by the separator (some words hold
// a hyphen themselves, so the pieces are matched, not merely split).
bool isPassphraseOf(std::string_view text, int count) {
    if (count == 0) return text.empty();
    for (const std::string& word : effLargeWordList()) {
        if (!text.starts_with(word)) continue;
        std::string_view rest = text.substr(word.size());
        if (count == 1 ? rest.empty() : rest.starts_with(kWordSeparator) && isPassphraseOf(rest.substr(1), count - 1))
            return true;
    }
    return false;
}

TEST(PasswordGenerator, PassphrasesAreWordsOfTheListJoinedByHyphens) {
    SeededRandom bytes;
    GeneratorChoice choice;
    choice.mode = GeneratorMode::Passphrase;
    std::set<std::string> seen;
    for (int words : {kFewestWords, 6, kMostWords}) {
        choice.words = words;
        ASSERT_EQ(choiceProblem(choice), "");
        for (int i = 0; i < 20; ++i) {
            const std::string passphrase = *generatePassword(bytes, choice);
            EXPECT_TRUE(isPassphraseOf(passphrase, words)) << passphrase;
            EXPECT_EQ(passphrase.find('|'), std::string::npos);
            seen.insert(passphrase);
        }
    }
    EXPECT_EQ(seen.size(), 60u);  // no two alike

    // The list: distinct words in sorted order, lower-case letters and hyphens, never "|".
    const std::vector<std::string>& list = effLargeWordList();
    ASSERT_FALSE(list.empty());
    EXPECT_TRUE(std::adjacent_find(list.begin(), list.end(), std::greater_equal<>()) == list.end());
    for (const std::string& word : list) {
        EXPECT_FALSE(word.empty());
        EXPECT_EQ(word.find_first_not_of("abcdefghijklmnopqrstuvwxyz-"), std::string::npos) << word;
        EXPECT_TRUE(isEffWord(word));
        EXPECT_FALSE(isEffWord(word + "q"));
    }
}

TEST(PasswordGenerator, RefusesChoicesItCannotMakeAndSaysWhenTheSystemGivesNoRandomness) {
    auto words = [](int count) {
        GeneratorChoice phrase = characters(20, false, false, false, false);  // sets do not matter
        phrase.mode = GeneratorMode::Passphrase;
        phrase.words = count;
        return phrase;
    };
    const std::pair<GeneratorChoice, bool> cases[] = {
        {characters(20, false, false, false, false), false}, {characters(kShortestLength - 1, true, true, true, true), false},
        {characters(kLongestLength + 1, true, true, true, true), false}, {characters(kShortestLength, false, true, false, false), true},
        {characters(kLongestLength, true, false, false, false), true}, {words(kFewestWords - 1), false},
        {words(kMostWords + 1), false}, {words(kFewestWords), true},
    };
    SeededRandom bytes;
    for (const auto& [choice, makeable] : cases) {
        EXPECT_EQ(choiceProblem(choice).empty(), makeable) << choiceProblem(choice);
        if (!makeable) {
            EXPECT_THROW(generatePassword(bytes, choice), std::invalid_argument);
        }
    }
    bytes.fails = true;
    EXPECT_EQ(generatePassword(bytes, GeneratorChoice()), std::nullopt);
    EXPECT_EQ(generatePassword(bytes, words(6)), std::nullopt);
}

TEST(PasswordGenerator, KeepsItsChoicesInTheSettingsAndReadsOnlyWhatItWrote) {
    GeneratorChoice changed = characters(64, false, true, false, true, true);
    changed.mode = GeneratorMode::Passphrase;
    changed.words = 11;
    for (const GeneratorChoice& choice : {GeneratorChoice(), changed}) {
        std::map<std::string, std::string> store;
        for (const auto& [name, value] : settingsOf(choice)) store[name] = value;
        EXPECT_EQ(choiceFromSettings([&](const std::string& name) { return store[name]; }), choice);
    }

    // A value missing, out of range or unreadable keeps its default; the others are read.
    struct Case {
        std::map<std::string, std::string> stored;
        GeneratorChoice expected;
    } cases[] = {
        {{}, GeneratorChoice()},
        {{{"generatorLength", "7"}, {"generatorWords", "13"}, {"generatorMode", "Passphrase"}}, GeneratorChoice()},
        {{{"generatorLength", "x12"}, {"generatorUpper", "yes"}, {"generatorWords", ""}}, GeneratorChoice()},
        {{{"generatorLength", "99999999999"}, {"generatorDigits", "2"}}, GeneratorChoice()},
        {{{"generatorLength", "128"}, {"generatorSymbols", "0"}}, characters(128, true, true, true, false)},
    };
    for (Case& c : cases)
        EXPECT_EQ(choiceFromSettings([&](const std::string& name) { return c.stored[name]; }), c.expected);
}

TEST(FrontCodedList, DecodesEachEntryFromTheOneBeforeAndRefusesWhatIsNotSuch) {
    struct Case {
        const char* coded;
        std::vector<std::string> entries;
    } cases[] = {
        {"AabacusCdomenFinal", {"abacus", "abdomen", "abdominal"}},
        {"A123B4", {"123", "14"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decodeFrontCoded(c.coded), c.entries);
        // Decoded into one block, each entry is found where it stands, and nothing else is.
        const SortedEntries sorted(c.coded);
        ASSERT_EQ(sorted.size(), c.entries.size());
        for (size_t i = 0; i < c.entries.size(); ++i) {
            EXPECT_EQ(sorted[i], c.entries[i]);
            EXPECT_EQ(sorted.indexOf(c.entries[i]), i);
            EXPECT_EQ(sorted.indexOf(c.entries[i] + "a"), std::nullopt);
            EXPECT_EQ(sorted.indexOf(c.entries[i].substr(0, c.entries[i].size() - 1)), std::nullopt);
        }
        EXPECT_EQ(sorted.indexOf(""), std::nullopt);
    }
    EXPECT_EQ(SortedEntries("AabacusCdomenFinal").longest(), 9u);
    for (const char* broken : {"abacus", "Aab!Eyz", "AabcD", "AabcB"}) {
        EXPECT_THROW(decodeFrontCoded(broken), std::invalid_argument) << broken;
        EXPECT_THROW(SortedEntries{broken}, std::invalid_argument) << broken;
    }
}

}  // namespace
}  // namespace vk::passwords

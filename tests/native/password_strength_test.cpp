// The strength estimate of a password the user made up: known weak and strong ones, the patterns
// it sees through, the line it gives, and the lists of passwords, words and names behind it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "passwords/common_passwords.h"
#include "passwords/front_coded.h"
#include "passwords/password_strength.h"
#include "passwords/ranked_words.h"

namespace vk::passwords {
namespace {

constexpr int kYear = 2026;

std::vector<Pattern> patternsOf(const PasswordStrength& strength) {
    std::vector<Pattern> patterns;
    for (const Match& part : strength.parts) patterns.push_back(part.pattern);
    return patterns;
}

TEST(PasswordStrength, JudgesKnownPasswordsByTheirCheapestGuess) {
    using enum Pattern;
    using enum StrengthLevel;
    struct Case {
        const char* password;
        StrengthLevel level;
        std::vector<Pattern> parts;
    } cases[] = {
        {"password", Weak, {CommonPassword}},
        {"Password", Weak, {CommonPassword}},
        {"P@ssw0rd", Weak, {CommonPassword}},        // l33t
        {"drowssap", Weak, {CommonPassword}},        // reversed
        {"monkey456", Weak, {CommonPassword, Sequence}},
        {"!@#$%^&*()", Weak, {KeyboardRun}},         // the digits row, shifted
        {"/.,mnbvcxz", Weak, {KeyboardRun}},
        {".lo9,ki8", Weak, {KeyboardRun, KeyboardRun}},  // up a column, twice
        {"abcdefgh", Weak, {Sequence}},
        {"zyxwvuts", Weak, {Sequence}},
        {"13579", Weak, {Sequence}},
        {"aaaaaaaaaaaa", Weak, {Repeat}},
        {"abcabcabcabc", Weak, {Repeat}},
        {"19/04/1987", Weak, {Date}},
        {"04.19.1987", Weak, {Date}},
        {"4/7/02", Weak, {Date}},
        {"Dragon2024!", Weak, {CommonPassword, Random}},
        // Words and names, as they are and l33t, reversed or capitalised, and rarer common passwords.
        {"sutherland1977", Weak, {Name, Year}},
        {"clemencia12", Weak, {Name, Sequence}},
        {"m15informed", Weak, {ListWord}},
        {"cunn!ngh@m", Weak, {Name}},
        {"Gr4ndm0th3r!", Weak, {ListWord, Random}},  // a lone "!" is no l33t "i"
        {"tnemnrevog", Weak, {ListWord}},
        {"dnalrehtuS", Weak, {Name}},
        {"Kalifornia", Weak, {CommonPassword}},
        {"k7#mQz2pX", Fair, {Random}},
        {"battery-staple", Fair, {ListWord, Random, ListWord}},
        {"Tq8#vLm2&Xw9!pZr", Strong, {Random}},
        {"correct-horse-battery-staple", Strong, {}},
        {"Orchard-Lamp-57", Strong, {}},
    };
    for (const Case& c : cases) {
        const PasswordStrength strength = estimateStrength(c.password, kYear);
        EXPECT_EQ(strength.level, c.level) << c.password << ": " << strength.bits << " bits";
        if (!c.parts.empty()) {
            EXPECT_EQ(patternsOf(strength), c.parts) << c.password;
        }
        // The parts cover the password from end to end, in order.
        size_t at = 0;
        for (const Match& part : strength.parts) {
            EXPECT_EQ(part.begin, at) << c.password;
            at = part.end;
        }
        EXPECT_EQ(at, std::string_view(c.password).size()) << c.password;
    }
}

TEST(PasswordStrength, APatternCostsFarFewerGuessesThanItsCharactersInNoOrder) {
    struct Case {
        const char* pattern;
        const char* shuffled;
    } cases[] = {
        {"qwertyuiop", "tpwiqoryeu"}, {"1qaz2wsx3edc", "z1wq3dsxa2ec"}, {"abcdefghij", "cjagbidfhe"},
        {"9876543210", "3917052864"},  {"xyzxyzxyzxyz", "zyxxzyyxzzxy"}, {"14/07/1989", "1/7409/189"},
        {"Sunshine", "nhSnueis"},      {"Str0ngP4ssw0rd", "s0g4rP0StwnrdS"},
    };
    for (const Case& c : cases) {
        const double pattern = estimateStrength(c.pattern, kYear).bits;
        const double shuffled = estimateStrength(c.shuffled, kYear).bits;
        EXPECT_LT(pattern + 8, shuffled) << c.pattern << " " << pattern << " against " << c.shuffled << " " << shuffled;
    }

    // Years near the time of guessing come first.
    EXPECT_LT(estimateStrength("2025", kYear).bits, estimateStrength("1937", kYear).bits);
    EXPECT_LT(estimateStrength("1937", 1940).bits, estimateStrength("1937", kYear).bits);
    // Each random character adds guesses; a very long password is judged by its start.
    EXPECT_LT(estimateStrength("k7#mQz2pX", kYear).bits, estimateStrength("k7#mQz2pXv", kYear).bits);
    const std::string endless(100'000, 'q');
    EXPECT_EQ(estimateStrength(endless, kYear).bits, estimateStrength(endless.substr(0, kLongestJudged), kYear).bits);
    EXPECT_EQ(estimateStrength("", kYear).bits, 0);
}

TEST(PasswordStrength, TellsTheLevelTheBitsAndWhatMadeItGuessable) {
    struct Case {
        const char* password;
        const char* level;
        const char* reasons;  // each kind of pattern once, in order
    } cases[] = {
        {"password", "weak", ": common password"},
        {"Dragon1987", "weak", ": common password + year"},
        {"sutherland1977", "weak", ": name + year"},
        {".lo9,ki8", "weak", ": keyboard run"},
        {"battery-staple", "fair", ": dictionary word"},
        {"k7#mQz2pX", "fair", ""},
        {"Tq8#vLm2&Xw9!pZr", "strong", ""},
    };
    for (const Case& c : cases) {
        const long bits = std::lround(estimateStrength(c.password).bits);
        EXPECT_EQ(strengthLine(c.password),
                  std::string("Strength: ") + c.level + " (about " + std::to_string(bits) + " bits)" + c.reasons);
    }
    EXPECT_EQ(strengthLine(""), "");
}

TEST(CommonPasswords, AreSortedDistinctLowerCaseAndEachRankedOnce) {
    const std::vector<std::string> passwords = decodeFrontCoded(kCommonPasswordsFrontCoded);
    ASSERT_EQ(passwords.size(), kCommonPasswordCount);
    EXPECT_TRUE(std::adjacent_find(passwords.begin(), passwords.end(), std::greater_equal<>()) == passwords.end());
    std::vector<int> ranks;
    for (size_t i = 0; i < passwords.size(); ++i) {
        const std::string& password = passwords[i];
        EXPECT_TRUE(std::all_of(password.begin(), password.end(), [](char c) { return c > ' ' && c <= '~' && !(c >= 'A' && c <= 'Z'); }))
            << password;
        EXPECT_EQ(commonPasswordRank(password), kCommonPasswordRanks[i]) << password;
        ranks.push_back(kCommonPasswordRanks[i]);
    }
    std::sort(ranks.begin(), ranks.end());
    std::vector<int> everyRank(kCommonPasswordCount);
    std::iota(everyRank.begin(), everyRank.end(), 1);
    EXPECT_EQ(ranks, everyRank);
    EXPECT_EQ(commonPasswordRank("PASSWORD"), std::nullopt);  // callers compare the lower-case form
}

TEST(RankedWords, AreSortedDistinctLowerCaseAndEachFoundAtItsRank) {
    struct List {
        const char* coded;
        const std::uint8_t* log2Ranks;
        size_t count;
        std::optional<double> (*log2RankOf)(std::string_view);
    } lists[] = {
        {kEnglishWordsFrontCoded, kEnglishWordsLog2Ranks, kEnglishWordsCount, log2RankOfEnglishWord},
        {kNamesFrontCoded, kNamesLog2Ranks, kNamesCount, log2RankOfName},
    };
    size_t longest = 0;
    for (const List& list : lists) {
        const std::vector<std::string> words = decodeFrontCoded(list.coded);
        ASSERT_EQ(words.size(), list.count);
        EXPECT_TRUE(std::adjacent_find(words.begin(), words.end(), std::greater_equal<>()) == words.end());
        for (size_t i = 0; i < words.size(); ++i) {
            const std::string& word = words[i];
            EXPECT_TRUE(std::all_of(word.begin(), word.end(), [](char c) { return c > ' ' && c <= '~' && !(c >= 'A' && c <= 'Z'); }))
                << word;
            EXPECT_EQ(list.log2RankOf(word), list.log2Ranks[i] / kRankStepsPerBit) << word;
            EXPECT_EQ(list.log2RankOf(word + "Q"), std::nullopt) << word;  // no listed word holds a capital
            longest = std::max(longest, word.size());
        }
    }
    EXPECT_EQ(longestRankedWord(), longest);
    // Most frequent first.
    EXPECT_LT(log2RankOfEnglishWord("house"), log2RankOfEnglishWord("informed"));
    EXPECT_LT(log2RankOfName("smith"), log2RankOfName("sutherland"));
    EXPECT_EQ(log2RankOfName("Smith"), std::nullopt);  // callers look up the lower-case form
}

}  // namespace
}  // namespace vk::passwords

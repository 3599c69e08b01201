#pragma once
// Text files written by other programs, as UTF-8. A byte-order mark tells UTF-8, UTF-16 LE or
// UTF-16 BE. Without one the text is taken as UTF-8, unless every other byte is zero: that is
// UTF-16 whose writer left the mark out. Nothing else is guessed: text in any other encoding is
// refused rather than read as something it is not.
#include <string>
#include <string_view>

#include "platform/wipe.h"

namespace vk::vault {

enum class TextProblem {
    None,
    NotText,        // a NUL character: a binary file
    NotUnicode,     // bytes that are not UTF-8 (or UTF-16 that does not pair up)
    BrokenUtf16,    // every other byte zero, as in UTF-16 without its mark, yet it does not read as UTF-16
};

struct Utf8Text {
    TextProblem problem = TextProblem::None;
    SecretString text;  // without its byte-order mark
};

// The file's text as UTF-8, checked, without its byte-order mark. Takes the bytes over: UTF-8,
// the common case, comes back in the same buffer.
Utf8Text utf8TextOf(SecretString fileBytes);

// True when every byte is below 128: such text is the same in UTF-8 and in any ANSI code page.
bool isAscii(std::string_view text);

// The number of characters of UTF-8 text.
size_t characterCount(std::string_view utf8);

}  // namespace vk::vault

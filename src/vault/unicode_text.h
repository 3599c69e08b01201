#pragma once
// Text files written by other programs, as UTF-8. A byte-order mark tells UTF-8, UTF-16 LE or
// UTF-16 BE; without one the text is taken as UTF-8. Nothing is guessed: text in any other
// encoding is refused rather than read as something it is not.
#include <string>
#include <string_view>

namespace vk::vault {

enum class TextProblem {
    None,
    NotText,     // a NUL character: a binary file, or UTF-16 without its byte-order mark
    NotUnicode,  // bytes that are not UTF-8 (or UTF-16 that does not pair up)
};

struct Utf8Text {
    TextProblem problem = TextProblem::None;
    std::string decoded;        // the text, when it had to be decoded from UTF-16
    std::string_view original;  // otherwise: the text within the bytes given, after its mark
    std::string_view text() const { return decoded.empty() ? original : std::string_view(decoded); }
};

// The file's text as UTF-8, checked, without its byte-order mark.
Utf8Text utf8TextOf(std::string_view fileBytes);

// True when every byte is below 128: such text is the same in UTF-8 and in any ANSI code page.
bool isAscii(std::string_view text);

}  // namespace vk::vault

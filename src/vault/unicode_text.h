#pragma once
// Text files written by other programs, as UTF-8. A byte-order mark tells UTF-8, UTF-16 LE or
// UTF-16 BE. Without one the text is taken as UTF-8, unless every other byte is zero: that is
// UTF-16 whose writer left the mark out. Text that is none of these is read in the system's ANSI
// code page (what spreadsheets and older programs save on Windows), when it reads as text there;
// anything else is refused rather than read as something it is not.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/wipe.h"

namespace vk::vault {

enum class TextProblem {
    None,
    NotText,        // a NUL character: a binary file
    NotUnicode,     // bytes that are neither UTF-8 nor text in the code page (or UTF-16 that does not pair up)
    BrokenUtf16,    // every other byte zero, as in UTF-16 without its mark, yet it does not read as UTF-16
};

// How the file's bytes were read.
enum class TextEncoding { Utf8, Utf16, CodePage };

struct Utf8Text {
    TextProblem problem = TextProblem::None;
    SecretString text;  // without its byte-order mark
    TextEncoding encoding = TextEncoding::Utf8;
};

// The system's ANSI code page to UTF-8; nothing when a byte sequence has no meaning there.
using CodePageReader = std::function<std::optional<SecretString>(std::string_view ansi)>;

// The file's text as UTF-8, checked, without its byte-order mark. Takes the bytes over: UTF-8,
// the common case, comes back in the same buffer. Without `fromCodePage`, text that is not
// Unicode is refused.
Utf8Text utf8TextOf(SecretString fileBytes, const CodePageReader& fromCodePage = {});

// False when UTF-8 text holds what no text file holds (control characters) or reads as nonsense:
// symbols run together with other letters beyond ASCII, as text in another code page, read in
// this one, does.
bool readsAsText(std::string_view utf8);

// True when every byte is below 128: such text is the same in UTF-8 and in any ANSI code page.
bool isAscii(std::string_view text);

// The number of characters of UTF-8 text.
size_t characterCount(std::string_view utf8);

}  // namespace vk::vault

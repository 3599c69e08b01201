#include "vault/unicode_text.h"

#include <cstdint>
#include <cstring>

namespace vk::vault {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
constexpr std::uint64_t kLowBits = 0x0101010101010101ull;

std::uint64_t wordAt(const char* at) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// Where the first byte that is NUL or above 127 may lie: everything before `from`'s result is
// plain ASCII. Eight bytes at a time, since most files are ASCII through and through.
size_t plainAsciiPrefix(std::string_view text, size_t from) {
    while (from + sizeof(std::uint64_t) <= text.size()) {
        std::uint64_t word = wordAt(text.data() + from);
        // A byte's top bit is set in the test when the byte is above 127 or is zero.
        if (((word - kLowBits) | word) & kHighBits) break;
        from += sizeof(std::uint64_t);
    }
    return from;
}

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence at `at`, or 0: no overlong forms, no surrogates,
// nothing above U+10FFFF.
size_t sequenceLength(std::string_view text, size_t at) {
    auto byte = [&](size_t i) { return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0; };
    unsigned char lead = byte(0);
    size_t length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    if (length <= 1) return length;
    // The second byte's range is narrower after these leads.
    unsigned char second = byte(1);
    unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (second < low || second > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if (!isContinuation(byte(i))) return 0;
    return length;
}

TextProblem checkUtf8(std::string_view text) {
    if (std::memchr(text.data(), 0, text.size()) != nullptr) return TextProblem::NotText;
    for (size_t at = plainAsciiPrefix(text, 0); at < text.size(); at = plainAsciiPrefix(text, at)) {
        size_t length = sequenceLength(text, at);
        if (length == 0) return TextProblem::NotUnicode;
        at += length;
    }
    return TextProblem::None;
}

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

Utf8Text decodeUtf16(std::string_view units, bool bigEndian) {
    Utf8Text result;
    if (units.size() % 2 != 0) return {TextProblem::NotUnicode, {}, {}};
    auto unitAt = [&](size_t i) -> std::uint32_t {
        auto first = static_cast<unsigned char>(units[2 * i]);
        auto second = static_cast<unsigned char>(units[2 * i + 1]);
        return bigEndian ? ((first << 8) | second) : ((second << 8) | first);
    };
    size_t count = units.size() / 2;
    result.decoded.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        std::uint32_t code = unitAt(i);
        if (code == 0) return {TextProblem::NotText, {}, {}};
        if (code >= 0xDC00 && code <= 0xDFFF) return {TextProblem::NotUnicode, {}, {}};
        if (code >= 0xD800 && code <= 0xDBFF) {
            std::uint32_t low = i + 1 < count ? unitAt(i + 1) : 0;
            if (low < 0xDC00 || low > 0xDFFF) return {TextProblem::NotUnicode, {}, {}};
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        }
        appendUtf8(result.decoded, code);
    }
    return result;
}

}  // namespace

Utf8Text utf8TextOf(std::string_view fileBytes) {
    if (fileBytes.starts_with(kUtf16LeMark)) return decodeUtf16(fileBytes.substr(kUtf16LeMark.size()), false);
    if (fileBytes.starts_with(kUtf16BeMark)) return decodeUtf16(fileBytes.substr(kUtf16BeMark.size()), true);
    if (fileBytes.starts_with(kUtf8Mark)) fileBytes.remove_prefix(kUtf8Mark.size());
    TextProblem problem = checkUtf8(fileBytes);
    return {problem, {}, problem == TextProblem::None ? fileBytes : std::string_view()};
}

bool isAscii(std::string_view text) {
    size_t at = 0;
    for (; at + sizeof(std::uint64_t) <= text.size(); at += sizeof(std::uint64_t))
        if (wordAt(text.data() + at) & kHighBits) return false;
    for (; at < text.size(); ++at)
        if (static_cast<unsigned char>(text[at]) >= 0x80) return false;
    return true;
}

}  // namespace vk::vault

#include "vault/unicode_text.h"

#include <algorithm>
#include <cstdint>

namespace vk::vault {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

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
    if (text.find('\0') != std::string_view::npos) return TextProblem::NotText;
    for (size_t at = 0; at < text.size();) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        size_t length = sequenceLength(text, at);
        if (length == 0) return TextProblem::NotUnicode;
        at += length;
    }
    return TextProblem::None;
}

void appendUtf8(SecretString& out, std::uint32_t code) {
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
    if (units.size() % 2 != 0) return {TextProblem::NotUnicode, {}};
    auto unitAt = [&](size_t i) -> std::uint32_t {
        auto first = static_cast<unsigned char>(units[2 * i]);
        auto second = static_cast<unsigned char>(units[2 * i + 1]);
        return bigEndian ? ((first << 8) | second) : ((second << 8) | first);
    };
    size_t count = units.size() / 2;
    result.text.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        std::uint32_t code = unitAt(i);
        if (code == 0) return {TextProblem::NotText, {}};
        if (code >= 0xDC00 && code <= 0xDFFF) return {TextProblem::NotUnicode, {}};
        if (code >= 0xD800 && code <= 0xDBFF) {
            std::uint32_t low = i + 1 < count ? unitAt(i + 1) : 0;
            if (low < 0xDC00 || low > 0xDFFF) return {TextProblem::NotUnicode, {}};
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        }
        appendUtf8(result.text, code);
    }
    return result;
}

// UTF-16 without its mark shows itself by its zero bytes: the high byte of every character of
// ASCII, which a CSV file is full of (separators, digits, web addresses). Only zeros beside a
// printable character count: a file of zeros and line ends is no text. Returns whether the bytes
// look like UTF-16, and in which order.
enum class Utf16Look { No, LittleEndian, BigEndian };
Utf16Look utf16Look(std::string_view bytes) {
    constexpr size_t kSampled = 4096;
    std::string_view sample = bytes.substr(0, std::min(bytes.size(), kSampled) & ~size_t{1});
    auto printable = [](char c) { return (c >= 0x20 && c < 0x7F) || c == '\t'; };
    size_t zeroFirst = 0, zeroSecond = 0, asciiFirst = 0, asciiSecond = 0;
    for (size_t i = 0; i < sample.size(); i += 2) {
        zeroFirst += sample[i] == '\0';
        zeroSecond += sample[i + 1] == '\0';
        asciiFirst += sample[i] == '\0' && printable(sample[i + 1]);
        asciiSecond += sample[i + 1] == '\0' && printable(sample[i]);
    }
    // At least a quarter of the characters in ASCII, and zeros nearly all on one side.
    const size_t units = sample.size() / 2;
    if (units > 0 && asciiSecond * 4 >= units && zeroFirst * 8 <= zeroSecond) return Utf16Look::LittleEndian;
    if (units > 0 && asciiFirst * 4 >= units && zeroSecond * 8 <= zeroFirst) return Utf16Look::BigEndian;
    return Utf16Look::No;
}

Utf8Text decodeUnmarkedUtf16(std::string_view bytes, bool bigEndian) {
    Utf8Text decoded = decodeUtf16(bytes, bigEndian);
    if (decoded.problem != TextProblem::None) decoded.problem = TextProblem::BrokenUtf16;
    return decoded;
}

// The code point of the well-formed UTF-8 sequence of `length` bytes at `at`.
std::uint32_t codePointAt(std::string_view text, size_t at, size_t length) {
    constexpr unsigned char kLeadBits[] = {0x7F, 0x7F, 0x1F, 0x0F, 0x07};
    std::uint32_t code = static_cast<unsigned char>(text[at]) & kLeadBits[length];
    for (size_t i = 1; i < length; ++i) code = (code << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    return code;
}

// Characters no text file holds: control characters beside tab and line ends, and the mark a
// converter leaves where a byte had no meaning.
bool isControl(std::uint32_t code) {
    return (code < 0x20 && code != '\t' && code != '\n' && code != '\r') || (code >= 0x7F && code < 0xA0) ||
           code == 0xFFFD;
}

// Letters, and the marks that go with them, of the scripts the ANSI code pages hold: Latin,
// Greek, Cyrillic, Hebrew, Arabic, Thai, Vietnamese, Japanese, Chinese and Korean. What else lies
// beyond ASCII is a symbol: punctuation, currency, signs.
bool isLetter(std::uint32_t code) {
    if (code >= 0xC0 && code < 0x2B0) return code != 0xD7 && code != 0xF7;
    return (code >= 0x300 && code < 0x2000) || (code >= 0x3040 && code < 0xA000) || (code >= 0xAC00 && code < 0xD7B0) ||
           (code >= 0xF900 && code < 0xFB00) || (code >= 0xFF00 && code < 0xFFF0);
}

// Text without a byte-order mark: UTF-8, UTF-16 that left its mark out, or the code page's.
Utf8Text unmarkedTextOf(SecretString fileBytes, const CodePageReader& fromCodePage) {
    TextProblem problem = checkUtf8(fileBytes);
    if (problem == TextProblem::NotText) {
        Utf8Text decoded;
        switch (utf16Look(fileBytes)) {
        case Utf16Look::LittleEndian: decoded = decodeUnmarkedUtf16(fileBytes, false); break;
        case Utf16Look::BigEndian: decoded = decodeUnmarkedUtf16(fileBytes, true); break;
        case Utf16Look::No: return {problem, {}};
        }
        decoded.encoding = TextEncoding::Utf16;
        return decoded;
    }
    if (problem == TextProblem::None) return {problem, std::move(fileBytes)};
    if (fromCodePage)
        if (std::optional<SecretString> text = fromCodePage(fileBytes); text && readsAsText(*text))
            return {TextProblem::None, std::move(*text), TextEncoding::CodePage};
    return {problem, {}};
}

}  // namespace

Utf8Text utf8TextOf(SecretString fileBytes, const CodePageReader& fromCodePage) {
    std::string_view bytes = fileBytes;
    const bool littleEndian = bytes.starts_with(kUtf16LeMark), bigEndian = bytes.starts_with(kUtf16BeMark);
    if (littleEndian || bigEndian) {
        Utf8Text decoded = decodeUtf16(bytes.substr(kUtf16LeMark.size()), bigEndian);
        decoded.encoding = TextEncoding::Utf16;
        return decoded;
    }
    if (bytes.starts_with(kUtf8Mark)) fileBytes.erase(0, kUtf8Mark.size());
    return unmarkedTextOf(std::move(fileBytes), fromCodePage);
}

bool readsAsText(std::string_view utf8) {
    // Text of another code page read in this one runs letters and symbols together: each of its
    // characters became two or more. Real text sets a symbol beside ASCII (a space, a digit).
    size_t beyondAscii = 0, oddPairs = 0;
    bool previousBeyond = false, previousSymbol = false;
    for (size_t at = 0; at < utf8.size();) {
        const size_t length = std::max<size_t>(1, sequenceLength(utf8, at));
        const std::uint32_t code = codePointAt(utf8, at, length);
        at += length;
        if (isControl(code)) return false;
        const bool beyond = code >= 0x80 && code != 0xA0;  // a no-break space is a space
        const bool symbol = beyond && !isLetter(code);
        if (beyond) ++beyondAscii;
        if (beyond && previousBeyond && (symbol || previousSymbol)) ++oddPairs;
        previousBeyond = beyond;
        previousSymbol = symbol;
    }
    constexpr size_t kFewestOddPairs = 3;
    return oddPairs < kFewestOddPairs || oddPairs * 4 < beyondAscii;
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

size_t characterCount(std::string_view utf8) {
    return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) { return !isContinuation(c); }));
}

}  // namespace vk::vault

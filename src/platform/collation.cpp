#include "platform/collation.h"

#include <windows.h>

#include <vector>

namespace vk {
namespace {

// How a code page of one byte a character folds letter case, byte by byte: a table made once.
struct CaseFolding {
    bool byteByByte = true;
    std::array<char, 256> lower{};
};

CaseFolding makeCaseFolding() {
    CaseFolding folding;
    CPINFO info{};
    folding.byteByByte = GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
    for (int byte = 0; byte < 256; ++byte) {
        char c = static_cast<char>(byte);
        CharLowerBuffA(&c, 1);
        folding.lower[static_cast<size_t>(byte)] = c;
    }
    return folding;
}

const CaseFolding& caseFolding() {
    static const CaseFolding folding = makeCaseFolding();
    return folding;
}

}  // namespace

const std::array<char, 256>* letterCaseTable() {
    const CaseFolding& folding = caseFolding();
    return folding.byteByByte ? &folding.lower : nullptr;
}

void foldLetterCase(std::string_view text, std::string& folded) {
    // Whole characters, lower-cased, then written as UTF-8, in which no character's bytes are
    // found inside another's.
    const int length = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (wideLength <= 0) return;
    std::vector<wchar_t> wide(static_cast<size_t>(wideLength));
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), wideLength);
    CharLowerBuffW(wide.data(), static_cast<DWORD>(wideLength));
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return;
    const size_t start = folded.size();
    folded.resize(start + static_cast<size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, folded.data() + start, size, nullptr, nullptr);
}

void userCollationKey(std::string_view text, SecretString& keys) {
    if (text.empty()) return;
    constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
    int length = static_cast<int>(text.size());
    size_t start = keys.size();
    // Room for the usual key; the few longer ones are measured first.
    size_t room = text.size() * 4 + 16;
    keys.resize(start + room);
    int n = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, text.data(), length, reinterpret_cast<LPSTR>(keys.data() + start),
                         static_cast<int>(room));
    if (n == 0) {
        n = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, text.data(), length, nullptr, 0);
        if (n <= 0) {
            keys.resize(start);
            keys.append(text);
            return;
        }
        keys.resize(start + static_cast<size_t>(n));
        n = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, text.data(), length, reinterpret_cast<LPSTR>(keys.data() + start),
                         n);
    }
    // The key ends with a zero byte, which must not take part in the comparison.
    keys.resize(start + (n > 0 ? static_cast<size_t>(n) - 1 : 0));
}

}  // namespace vk

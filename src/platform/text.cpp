#include "platform/text.h"

#include <vector>

#include "platform/wipe.h"

namespace vk {

namespace {

template <typename Wide>
Wide wideFrom(UINT codePage, std::string_view text, DWORD flags = 0) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    int n = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    Wide wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), n);
    return wide;
}

template <typename Narrow>
Narrow narrowInto(UINT codePage, std::wstring_view wide, bool& complete) {
    complete = true;
    if (wide.empty()) return {};
    // UTF-8 has a place for every character, and rejects the "default character used" query.
    const bool utf8 = codePage == CP_UTF8 || (codePage == CP_ACP && GetACP() == CP_UTF8);
    DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultPtr = utf8 ? nullptr : &usedDefault;
    int wn = static_cast<int>(wide.size());
    int n = WideCharToMultiByte(codePage, flags, wide.data(), wn, nullptr, 0, nullptr, usedDefaultPtr);
    Narrow out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), wn, out.data(), n, nullptr, usedDefaultPtr);
    complete = !usedDefault;
    return out;
}

template <typename Wide>
Wide windowTextOf(HWND hwnd) {
    int length = GetWindowTextLengthW(hwnd);
    Wide wide(static_cast<size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(hwnd, wide.data(), length + 1);
    wide.resize(static_cast<size_t>(got > 0 ? got : 0));
    return wide;
}

}  // namespace

std::wstring widen(const std::string& ansi) { return wideFrom<std::wstring>(CP_ACP, ansi); }

AnsiText narrow(const std::wstring& wide) {
    AnsiText out;
    out.text = narrowInto<std::string>(CP_ACP, wide, out.complete);
    return out;
}

std::wstring wideWindowText(HWND hwnd) { return windowTextOf<std::wstring>(hwnd); }

AnsiText windowText(HWND hwnd) {
    return narrow(wideWindowText(hwnd));
}

SecretText narrowSecret(std::wstring_view wide) {
    SecretText out;
    out.text = narrowInto<SecretString>(CP_ACP, wide, out.complete);
    return out;
}

SecretWString widenSecret(std::string_view ansi) { return wideFrom<SecretWString>(CP_ACP, ansi); }

SecretWString secretWideWindowText(HWND hwnd) { return windowTextOf<SecretWString>(hwnd); }

SecretText secretWindowText(HWND hwnd) { return narrowSecret(secretWideWindowText(hwnd)); }

void setSecretWindowText(HWND hwnd, std::string_view ansi) { SetWindowTextW(hwnd, widenSecret(ansi).c_str()); }

SecretText utf8ToCodePageSecret(std::string_view utf8) {
    return narrowSecret(wideFrom<SecretWString>(CP_UTF8, utf8));
}

SecretString codePageToUtf8Secret(std::string_view ansi) {
    bool complete = true;
    return narrowInto<SecretString>(CP_UTF8, wideFrom<SecretWString>(CP_ACP, ansi), complete);
}

SecretWString utf8ToWideSecret(std::string_view utf8) { return wideFrom<SecretWString>(CP_UTF8, utf8); }

void wipeBoxText(HWND box) {
    SendMessageW(box, EM_EMPTYUNDOBUFFER, 0, 0);
    for (int length = GetWindowTextLengthW(box); length > 0; --length) {
        SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(length - 1), length);
        SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
    }
    SendMessageW(box, EM_EMPTYUNDOBUFFER, 0, 0);
}

void setWindowText(HWND hwnd, const std::string& ansi) {
    SetWindowTextW(hwnd, widen(ansi).c_str());
}

std::string displayText(const std::wstring& wide) {
    return narrow(wide).text;
}

AnsiText utf8ToCodePage(std::string_view utf8) { return narrow(wideFrom<std::wstring>(CP_UTF8, utf8)); }

std::wstring utf8ToWide(std::string_view utf8) { return wideFrom<std::wstring>(CP_UTF8, utf8); }

std::string codePageToUtf8(std::string_view ansi) {
    bool complete = true;
    return narrowInto<std::string>(CP_UTF8, wideFrom<std::wstring>(CP_ACP, ansi), complete);
}

std::optional<SecretString> codePageFileTextToUtf8(std::string_view ansi) {
    SecretWString wide = wideFrom<SecretWString>(CP_ACP, ansi, MB_ERR_INVALID_CHARS);
    if (wide.empty() && !ansi.empty()) return std::nullopt;
    bool complete = true;
    return narrowInto<SecretString>(CP_UTF8, wide, complete);
}

std::string codePageName() {
    const UINT codePage = GetACP();
    // The Windows code pages of Europe, the Middle East, Thailand and Vietnam go by that name.
    const bool windowsNamed = codePage == 874 || (codePage >= 1250 && codePage <= 1258);
    return (windowsNamed ? "Windows-" : "code page ") + std::to_string(codePage);
}

std::string withThousands(size_t count) {
    const std::string digits = std::to_string(count);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

std::string sizeText(unsigned long long bytes) {
    std::string digits = std::to_string(bytes);
    if (bytes >= (1u << 20)) return std::to_string((bytes + (1u << 19)) >> 20) + " MB (" + digits + " bytes)";
    return digits + " bytes";
}

}  // namespace vk

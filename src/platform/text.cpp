#include "platform/text.h"

#include <vector>

namespace vk {

std::wstring widen(const std::string& ansi) {
    if (ansi.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
    return wide;
}

AnsiText narrow(const std::wstring& wide) {
    AnsiText out;
    if (wide.empty()) return out;
    // UTF-8 as the ANSI code page rejects the "default character used" query; every character fits.
    bool utf8 = GetACP() == CP_UTF8;
    DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultPtr = utf8 ? nullptr : &usedDefault;
    int wn = static_cast<int>(wide.size());
    int n = WideCharToMultiByte(CP_ACP, flags, wide.data(), wn, nullptr, 0, nullptr, usedDefaultPtr);
    out.text.assign(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, flags, wide.data(), wn, out.text.data(), n, nullptr, usedDefaultPtr);
    out.complete = !usedDefault;
    return out;
}

std::wstring wideWindowText(HWND hwnd) {
    int length = GetWindowTextLengthW(hwnd);
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(hwnd, wide.data(), length + 1);
    wide.resize(static_cast<size_t>(got > 0 ? got : 0));
    return wide;
}

AnsiText windowText(HWND hwnd) {
    return narrow(wideWindowText(hwnd));
}

void setWindowText(HWND hwnd, const std::string& ansi) {
    SetWindowTextW(hwnd, widen(ansi).c_str());
}

std::string displayText(const std::wstring& wide) {
    return narrow(wide).text;
}

}  // namespace vk

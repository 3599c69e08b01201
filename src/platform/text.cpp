#include "platform/text.h"

#include <vector>

#include "platform/wipe.h"

namespace vk {

namespace {

std::wstring wideFrom(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    int n = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), n);
    return wide;
}

}  // namespace

std::wstring widen(const std::string& ansi) { return wideFrom(CP_ACP, ansi); }

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

AnsiText secretWindowText(HWND box) {
    std::wstring wide = wideWindowText(box);
    WipedWhenDone wiped(wide);
    return narrow(wide);
}

void wipeBoxText(HWND box) {
    const int length = GetWindowTextLengthW(box);
    if (length > 0) {
        // The same number of characters, put over the old ones without an undo copy: the box writes
        // them into the buffer the old text is in.
        std::wstring blank(static_cast<size_t>(length), L'*');
        SendMessageW(box, EM_SETSEL, 0, -1);
        SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(blank.c_str()));
    }
    SetWindowTextW(box, L"");
}

void setWindowText(HWND hwnd, const std::string& ansi) {
    SetWindowTextW(hwnd, widen(ansi).c_str());
}

std::string displayText(const std::wstring& wide) {
    return narrow(wide).text;
}

AnsiText utf8ToCodePage(std::string_view utf8) { return narrow(wideFrom(CP_UTF8, utf8)); }

std::wstring utf8ToWide(std::string_view utf8) { return wideFrom(CP_UTF8, utf8); }

std::string codePageToUtf8(std::string_view ansi) {
    std::wstring wide = wideFrom(CP_ACP, ansi);
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

std::string sizeText(unsigned long long bytes) {
    std::string digits = std::to_string(bytes);
    if (bytes >= (1u << 20)) return std::to_string((bytes + (1u << 19)) >> 20) + " MB (" + digits + " bytes)";
    return digits + " bytes";
}

}  // namespace vk

#pragma once
// Texts of the program are ANSI bytes of the system code page (what the vault stores); controls
// hold UTF-16. These convert between the two and detect what the code page cannot hold.
#include <windows.h>

#include <string>

namespace vk {

std::wstring widen(const std::string& ansi);

struct AnsiText {
    std::string text;
    bool complete = true;  // false: some character has no place in the code page
};
AnsiText narrow(const std::wstring& wide);

// Window texts, read and written as ANSI.
std::wstring wideWindowText(HWND hwnd);
AnsiText windowText(HWND hwnd);
void setWindowText(HWND hwnd, const std::string& ansi);

// Text for display only, where a lost character does no harm.
std::string displayText(const std::wstring& wide);

}  // namespace vk

#pragma once
// Texts of the program are ANSI bytes of the system code page (what the vault stores); controls
// hold UTF-16. These convert between the two and detect what the code page cannot hold.
#include <windows.h>

#include <string>
#include <string_view>

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

// A password box's text, as windowText reads it but with the UTF-16 copy made on the way wiped.
// The caller wipes what it gets (WipedWhenDone).
AnsiText secretWindowText(HWND box);
// Overwrites a password box's text where the box keeps it, then empties the box: setting another
// text would leave the old one in freed memory.
void wipeBoxText(HWND box);

// Text for display only, where a lost character does no harm.
std::string displayText(const std::wstring& wide);

// UTF-8, as other programs' files hold text, and the code page, as the vault does. A character
// the code page cannot hold leaves the text incomplete; every character has a place in UTF-8.
AnsiText utf8ToCodePage(std::string_view utf8);
std::string codePageToUtf8(std::string_view ansi);
std::wstring utf8ToWide(std::string_view utf8);

// A size as people read it: "512 bytes", or "130 MB (136314880 bytes)".
std::string sizeText(unsigned long long bytes);

}  // namespace vk

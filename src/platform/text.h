#pragma once
// Texts of the program are ANSI bytes of the system code page (what the vault stores); controls
// hold UTF-16. These convert between the two and detect what the code page cannot hold.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/wipe.h"

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

// Texts that hold a secret (a password, an entry's field), converted as the plain ones are into
// texts that are wiped when they go, with no plain copy on the way.
struct SecretText {
    SecretString text;
    bool complete = true;  // false: some character has no place in the code page
};
SecretText narrowSecret(std::wstring_view wide);
SecretWString widenSecret(std::string_view ansi);
SecretWString secretWideWindowText(HWND hwnd);
SecretText secretWindowText(HWND hwnd);
void setSecretWindowText(HWND hwnd, std::string_view ansi);
SecretText utf8ToCodePageSecret(std::string_view utf8);
SecretString codePageToUtf8Secret(std::string_view ansi);
SecretWString utf8ToWideSecret(std::string_view utf8);

// Empties an edit box that held a secret without leaving its text behind anywhere: its undo buffer
// is emptied first, then the characters are taken off one at a time from the end, each zeroed where
// the box keeps its text. Setting or replacing the text as a whole would leave the old one in the
// heap: the box copies what a change replaces into memory it then frees unwiped.
void wipeBoxText(HWND box);

// Text for display only, where a lost character does no harm.
std::string displayText(const std::wstring& wide);

// UTF-8, as other programs' files hold text, and the code page, as the vault does. A character
// the code page cannot hold leaves the text incomplete; every character has a place in UTF-8.
AnsiText utf8ToCodePage(std::string_view utf8);
std::string codePageToUtf8(std::string_view ansi);
// The same for another program's file: nothing when a byte sequence means nothing in the code page.
// Such a file holds passwords: its text, and the copy made on the way, are wiped.
std::optional<SecretString> codePageFileTextToUtf8(std::string_view ansi);
// The system's ANSI code page as users know it: "Windows-1252", or "code page 932".
std::string codePageName();
std::wstring utf8ToWide(std::string_view utf8);

// A count as people write it in English: 3,402.
std::string withThousands(size_t count);
// A size as people read it: "512 bytes", or "130 MB (136314880 bytes)".
std::string sizeText(unsigned long long bytes);

}  // namespace vk

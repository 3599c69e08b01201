#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace vk {

// The clipboard may be held open by another program for a moment; each call retries briefly
// and answers false (or nothing) when it could not get it.
bool clipboardClear(HWND owner);
// Puts plain text on the clipboard, marked so that the clipboard history, the cloud clipboard
// and clipboard monitors leave it alone. Answers the clipboard's sequence number while it holds
// that text, for clipboardClearIfUnchanged.
std::optional<DWORD> clipboardSetText(HWND owner, const std::string& ansi);
// Empties the clipboard if nothing has been put on it since `sequence`; another program's later
// copy is never touched. True when it emptied it.
bool clipboardClearIfUnchanged(HWND owner, DWORD sequence);
// Test and diagnostic use: the plain text on the clipboard, if any.
bool clipboardGetText(HWND owner, std::string& ansi);

}  // namespace vk

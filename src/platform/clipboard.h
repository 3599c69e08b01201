#pragma once
#include <windows.h>

#include <string>

namespace vk {

// The clipboard may be held open by another program for a moment; each call retries briefly
// and answers false when it could not get it.
bool clipboardClear(HWND owner);
bool clipboardSetText(HWND owner, const std::string& ansi);
// Test and diagnostic use: the plain text on the clipboard, if any.
bool clipboardGetText(HWND owner, std::string& ansi);

}  // namespace vk

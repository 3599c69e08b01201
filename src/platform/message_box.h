#pragma once
#include <windows.h>

#include <string>

namespace vk {

// A real, modal system message box owned by `owner`; returns the button chosen (IDOK, IDRETRY...).
int messageBox(HWND owner, const std::string& text, const std::string& title, UINT style);
// The same with a text that may hold characters beyond the code page.
int messageBox(HWND owner, const std::wstring& text, const std::string& title, UINT style);

}  // namespace vk

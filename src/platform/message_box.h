#pragma once
#include <windows.h>

#include <string>

namespace vk {

// A real, modal system message box owned by `owner`; returns the button chosen (IDOK, IDRETRY...).
int messageBox(HWND owner, const std::string& text, const std::string& title, UINT style);
// The same with a text that may hold characters beyond the code page.
int messageBox(HWND owner, const std::wstring& text, const std::string& title, UINT style);

// Closes every message box and system dialog (an Open or Save dialog) of this thread as its
// Cancel would, or its No where it has none, or its OK where it has neither. They close once the
// loop that runs them takes the message; true when there was one.
bool cancelOpenDialogs();
// Whether a message box or a system dialog of this thread is open: the code that opened it waits
// on the stack for its answer.
bool openDialogs();

}  // namespace vk

#pragma once
#include <windows.h>

#include <string>

namespace vk {

// Message-box styles as the program names them.
inline constexpr UINT kOkOnly = MB_OK;              // 0
inline constexpr UINT kOkCancel = MB_OKCANCEL;      // 1
inline constexpr UINT kRetryCancel = MB_RETRYCANCEL;  // 5
inline constexpr UINT kInformation = MB_ICONINFORMATION;  // 64

// A real, modal system message box owned by `owner`; returns the button chosen (IDOK, IDRETRY...).
int messageBox(HWND owner, const std::string& text, const std::string& title, UINT style);
// The same with a text that may hold characters beyond the code page.
int messageBox(HWND owner, const std::wstring& text, const std::string& title, UINT style);

}  // namespace vk

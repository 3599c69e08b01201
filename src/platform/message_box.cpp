#include "platform/message_box.h"

#include "platform/keep_on_top.h"
#include "platform/text.h"

namespace vk {

int messageBox(HWND owner, const std::string& text, const std::string& title, UINT style) {
    return messageBox(owner, widen(text), title, style);
}

int messageBox(HWND owner, const std::wstring& text, const std::string& title, UINT style) {
    AboveKeptOnTop aboveKeptOnTop(owner);
    return MessageBoxW(owner, text.c_str(), widen(title).c_str(), style);
}

namespace {

// Message boxes and the system's dialogs are of the dialog class; the program's own windows are not.
bool isSystemDialog(HWND window) {
    wchar_t className[16] = L"";
    return GetClassNameW(window, className, 16) && lstrcmpW(className, L"#32770") == 0;
}

BOOL CALLBACK cancelDialog(HWND window, LPARAM found) {
    if (!isSystemDialog(window)) return TRUE;
    int button = IDOK;
    if (GetDlgItem(window, IDCANCEL))
        button = IDCANCEL;
    else if (GetDlgItem(window, IDNO))
        button = IDNO;
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
    *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

}  // namespace

BOOL CALLBACK findDialog(HWND window, LPARAM found) {
    if (!isSystemDialog(window)) return TRUE;
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

bool cancelOpenDialogs() {
    bool found = false;
    EnumThreadWindows(GetCurrentThreadId(), &cancelDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool openDialogs() {
    bool found = false;
    EnumThreadWindows(GetCurrentThreadId(), &findDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace vk

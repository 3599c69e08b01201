#include "platform/owner_window.h"

namespace vk {

OwnerWindow::~OwnerWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

HWND OwnerWindow::hwnd() {
    if (!hwnd_ || !IsWindow(hwnd_))
        hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    return hwnd_;
}

}  // namespace vk

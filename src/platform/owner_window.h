#pragma once
// A hidden top-level window that owns the windows which must not appear in the task bar.
#include <windows.h>

namespace vk {

class OwnerWindow {
public:
    OwnerWindow() = default;
    ~OwnerWindow();
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;

    HWND hwnd();  // created on first use

private:
    HWND hwnd_ = nullptr;
};

}  // namespace vk

#pragma once
// A handler put in front of a control's own window procedure, for the control's whole life.
// The common controls offer this as SetWindowSubclass, but Wine looks that chain up in a window
// property on every message: a round trip to its server each time, a hundred times the cost of
// the message itself, paid on every paint of a skinned window. Here the handler is reached
// through the control's user data instead: one per control.
#include <windows.h>

#include <memory>

namespace vk {

class ControlFront {
public:
    virtual ~ControlFront() = default;
    // Every message but the last (WM_NCDESTROY) comes here first; what the handler does not take
    // it passes on through callOriginal.
    virtual LRESULT message(HWND control, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // The control's own procedure.
    WNDPROC original() const { return original_; }
    LRESULT callOriginal(HWND control, UINT message, WPARAM wParam, LPARAM lParam) const {
        return CallWindowProcW(original_, control, message, wParam, lParam);
    }

private:
    friend bool putInFront(HWND control, std::unique_ptr<ControlFront> front);
    WNDPROC original_ = nullptr;
};

// Puts `front` before the control's own procedure until the control is destroyed. False, and
// nothing changed, when the control already has one or cannot take it.
bool putInFront(HWND control, std::unique_ptr<ControlFront> front);

// The handler in front of the control, or null.
ControlFront* frontOf(HWND control);

}  // namespace vk

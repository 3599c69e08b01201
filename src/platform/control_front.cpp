#include "platform/control_front.h"

namespace vk {
namespace {

LRESULT CALLBACK frontProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

ControlFront* storedFront(HWND control) {
    return reinterpret_cast<ControlFront*>(GetWindowLongPtrW(control, GWLP_USERDATA));
}

}  // namespace

// The control's user data is ours only while our procedure is in front.
ControlFront* frontOf(HWND control) {
    if (!control || GetWindowLongPtrW(control, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&frontProcedure))
        return nullptr;
    return storedFront(control);
}

bool putInFront(HWND control, std::unique_ptr<ControlFront> front) {
    if (!front || !IsWindow(control) || frontOf(control) || GetWindowLongPtrW(control, GWLP_USERDATA)) return false;
    SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(front.get()));
    front->original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&frontProcedure)));
    if (!front->original_) {
        SetWindowLongPtrW(control, GWLP_USERDATA, 0);
        return false;
    }
    front.release();  // owned by the control from now on, freed with it
    return true;
}

namespace {

LRESULT CALLBACK frontProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    ControlFront* front = storedFront(control);
    if (!front) return DefWindowProcW(control, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The control's own procedure comes back for its last message, and the handler goes.
        std::unique_ptr<ControlFront> owned(front);
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(owned->original()));
        SetWindowLongPtrW(control, GWLP_USERDATA, 0);
        return owned->callOriginal(control, message, wParam, lParam);
    }
    try {
        return front->message(control, message, wParam, lParam);
    } catch (...) {
        // Nothing may leave a window procedure: the control handles the message as it would alone.
        return front->callOriginal(control, message, wParam, lParam);
    }
}

}  // namespace
}  // namespace vk

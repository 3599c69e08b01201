#pragma once
// When the user last gave the program keyboard or mouse input: what a lock after a time without use
// measures. A hook sees every message that any loop of the thread takes, a message box's or a
// common dialog's included, so that typing into them counts as use too.
#include <windows.h>

namespace vk {

class InputWatch {
public:
    InputWatch();  // watches the calling thread from now on
    ~InputWatch();
    InputWatch(const InputWatch&) = delete;
    InputWatch& operator=(const InputWatch&) = delete;

    // The tick count (GetTickCount) of the last input, or of the watch's start.
    DWORD lastInput() const { return lastInput_; }
    // Counts now as a time of use (the vault was just unlocked, say).
    void restart() { lastInput_ = GetTickCount(); }
    // How long ago the last input was, in milliseconds.
    DWORD idleMs() const { return GetTickCount() - lastInput_; }

private:
    static LRESULT CALLBACK hook(int code, WPARAM wParam, LPARAM lParam);

    HHOOK hook_ = nullptr;
    DWORD lastInput_;
    InputWatch* outer_;  // a watch made before this one on the same thread, watched again after it
};

}  // namespace vk

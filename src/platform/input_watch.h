#pragma once
// When the user last gave the program keyboard or mouse input: what a lock after a time without use
// measures. A hook sees every message that any loop of the thread takes, a message box's or a
// common dialog's included, so that typing into them counts as use too.
#include <windows.h>

#include <functional>

namespace vk {

class InputWatch {
public:
    // Watches the calling thread from now on; `clock` tells the time in milliseconds, as
    // GetTickCount does.
    explicit InputWatch(std::function<DWORD()> clock);
    ~InputWatch();
    InputWatch(const InputWatch&) = delete;
    InputWatch& operator=(const InputWatch&) = delete;

    // Counts now as a time of use (the vault was just unlocked, say).
    void restart() { lastInput_ = clock_(); }
    // How long ago the last input was, in milliseconds.
    DWORD idleMs() const { return clock_() - lastInput_; }

private:
    static LRESULT CALLBACK hook(int code, WPARAM wParam, LPARAM lParam);

    std::function<DWORD()> clock_;
    HHOOK hook_ = nullptr;
    DWORD lastInput_;
    InputWatch* outer_;  // a watch made before this one on the same thread, watched again after it
};

}  // namespace vk

#pragma once
// Windows that the program keeps on top of all others step down while one of its own dialogs or
// message boxes is open, so that the dialog never opens underneath them; they go back on top when
// the last such dialog closes.
#include <windows.h>

#include <vector>

namespace vk {

// Makes the window topmost (and activates it) or puts it among ordinary windows, and notes which
// windows are kept on top, so that dialogs know what to step over.
void keepOnTop(HWND window, bool onTop);

// While it lives, every window of this thread that is kept on top stands among ordinary windows,
// except `dialog` itself and the windows that own it (a window owned by another always stands
// above it anyway).
class AboveKeptOnTop {
public:
    explicit AboveKeptOnTop(HWND dialog);
    ~AboveKeptOnTop();
    AboveKeptOnTop(const AboveKeptOnTop&) = delete;
    AboveKeptOnTop& operator=(const AboveKeptOnTop&) = delete;

private:
    std::vector<HWND> steppedDown_;
};

}  // namespace vk

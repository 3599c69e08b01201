#pragma once
// The hourglass while the program works for a moment without taking messages (a key derived from
// a password takes about a second), and the cursor before it again afterwards.
#include <windows.h>

namespace vk {

class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

}  // namespace vk

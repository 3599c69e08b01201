#pragma once
#include <windows.h>

namespace vk {

// Ends the program at once: every window disappears and no further handler runs.
[[noreturn]] void endProgramNow();

// Delivers one message the way the program's message loop does (keyboard navigation included).
void dispatchMessage(MSG& msg);

// True when a key pressed is waiting in this thread's queue: work that the key makes stale may
// stop. Runs no other code meanwhile (no message is handled).
bool keyWaiting();

// The program's message loop; returns the exit code of WM_QUIT.
int runMessageLoop();

}  // namespace vk

#pragma once
#include <windows.h>

namespace vk {

// Ends the program at once: every window disappears and no further handler runs.
[[noreturn]] void endProgramNow();

// Delivers one message the way the program's message loop does (keyboard navigation included).
void dispatchMessage(MSG& msg);

// The program's message loop; returns the exit code of WM_QUIT.
int runMessageLoop();

}  // namespace vk

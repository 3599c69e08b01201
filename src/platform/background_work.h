#pragma once
// A long step run off the window thread: a key derived from a password takes about a second, and
// far longer for a file that asks for many iterations. Run on the window thread it would leave the
// windows unpainted and "Not Responding" meanwhile.
#include <functional>

namespace vk {

// Runs `work` on a thread of its own and returns when it is done, throwing here what it threw.
// Meanwhile this thread's windows keep handling their messages, so they paint and answer the
// system, but are disabled, so that no command starts twice or in between, and show the wait cursor.
void runWhileWindowsWait(const std::function<void()>& work);

}  // namespace vk

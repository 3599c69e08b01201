#pragma once
// One running copy of the program per key (a vault): the first copy holds a small named block of
// shared memory that names its process, for as long as it runs; a later copy finds it there.
#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace vk {

class RunningCopy {
public:
    // Claims `key` for this process: a short text that may stand in an object's name (no
    // backslash).
    explicit RunningCopy(const std::wstring& key);
    RunningCopy(RunningCopy&&) = default;
    RunningCopy& operator=(RunningCopy&&) = default;

    // True when another process claimed the key first (and still runs).
    bool another() const { return firstProcess_ != 0; }
    // Brings that process's foremost window to the front, restoring its minimised windows.
    // Hidden windows stay hidden. False when it has no visible window.
    bool bringAnotherForward() const;

private:
    KernelHandle block_;
    DWORD firstProcess_ = 0;
};

}  // namespace vk

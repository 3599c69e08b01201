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

    // True when this process holds the key. When it does not, another process does, or the key's
    // name is taken by something that cannot be told apart from one: the key is never shared.
    bool held() const { return held_; }
    // The running process that holds the key instead; 0 when none can be found.
    DWORD holder() const { return holder_; }
    // When the holder is a running copy of this program that shows a window, brings its foremost
    // window to the front, restoring its minimised windows, and answers true. Any other holder is
    // left alone: false.
    bool bringHolderForward() const;

private:
    KernelHandle block_;
    bool held_ = false;
    DWORD holder_ = 0;
};

}  // namespace vk

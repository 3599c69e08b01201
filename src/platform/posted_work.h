#pragma once
// Work handed on to run once the handler that asked for it has returned: a dialog hands back what
// the user gave, and the program acts on it outside the dialog's own handlers, so that acting
// (closing the dialog, opening another) never pulls a window out from under a handler still running.
#include <windows.h>

#include <deque>
#include <functional>

namespace vk {

class PostedWork {
public:
    PostedWork() = default;
    ~PostedWork();
    PostedWork(const PostedWork&) = delete;
    PostedWork& operator=(const PostedWork&) = delete;

    // Runs `work` from the message loop, after what is running now and what was posted before it.
    void post(std::function<void()> work);

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void runNext();

    HWND window_ = nullptr;  // message-only, made at the first post
    std::deque<std::function<void()>> queue_;
};

}  // namespace vk

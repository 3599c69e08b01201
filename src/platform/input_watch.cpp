#include "platform/input_watch.h"

namespace vk {
namespace {

// A hook procedure gets no pointer of its own: the watch of each thread is found here.
thread_local InputWatch* watching = nullptr;

bool isInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

}  // namespace

InputWatch::InputWatch(std::function<DWORD()> clock)
    : clock_(std::move(clock)), lastInput_(clock_()), outer_(watching) {
    watching = this;
    hook_ = SetWindowsHookExW(WH_GETMESSAGE, &InputWatch::hook, nullptr, GetCurrentThreadId());
}

InputWatch::~InputWatch() {
    if (hook_) UnhookWindowsHookEx(hook_);
    watching = outer_;
}

LRESULT CALLBACK InputWatch::hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && watching && isInput(reinterpret_cast<const MSG*>(lParam)->message)) {
        for (InputWatch* watch = watching; watch; watch = watch->outer_) watch->restart();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace vk

#include "platform/background_work.h"

#include <windows.h>

#include <exception>
#include <thread>
#include <vector>

#include "platform/handles.h"
#include "platform/process.h"

namespace vk {
namespace {

// This thread's top-level windows that take input now: disabled while the work runs, then enabled
// again, as a modal box does to its owner.
class WindowsDisabled {
public:
    WindowsDisabled() : focus_(GetFocus()) {
        EnumThreadWindows(GetCurrentThreadId(), &WindowsDisabled::disable, reinterpret_cast<LPARAM>(this));
    }
    ~WindowsDisabled() {
        for (HWND window : disabled_)
            if (IsWindow(window)) EnableWindow(window, TRUE);
        if (focus_ && IsWindow(focus_)) SetFocus(focus_);
    }
    WindowsDisabled(const WindowsDisabled&) = delete;
    WindowsDisabled& operator=(const WindowsDisabled&) = delete;

private:
    static BOOL CALLBACK disable(HWND window, LPARAM self) {
        if (IsWindowEnabled(window)) {
            reinterpret_cast<WindowsDisabled*>(self)->disabled_.push_back(window);
            EnableWindow(window, FALSE);
        }
        return TRUE;
    }

    HWND focus_;
    std::vector<HWND> disabled_;
};

}  // namespace

void runWhileWindowsWait(const std::function<void()>& work) {
    KernelHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done) return work();  // no event to wait on: the windows wait unpainted, as they did
    WindowsDisabled disabled;
    HCURSOR wait = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT));
    HCURSOR before = SetCursor(wait);
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        SetEvent(done.get());
    });
    const HANDLE handles[] = {done.get()};
    bool quit = false;
    int exitCode = 0;
    while (MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                exitCode = static_cast<int>(msg.wParam);
                continue;
            }
            dispatchMessage(msg);
        }
        // A move of the mouse sets the window's own cursor again.
        SetCursor(wait);
    }
    worker.join();
    SetCursor(before);
    if (quit) PostQuitMessage(exitCode);  // for the message loop that waits for it
    if (failure) std::rethrow_exception(failure);
}

}  // namespace vk

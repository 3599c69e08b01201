#include "platform/posted_work.h"

#include "platform/window.h"

namespace vk {
namespace {

constexpr wchar_t kClass[] = L"Vellumkeep.PostedWork";
constexpr UINT kRunNext = WM_APP + 1;

}  // namespace

PostedWork::~PostedWork() {
    if (window_) DestroyWindow(window_);
}

void PostedWork::post(std::function<void()> work) {
    if (!window_) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        if (!GetClassInfoExW(GetModuleHandleW(nullptr), kClass, &wc)) {
            wc.lpfnWndProc = &PostedWork::windowProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = kClass;
            RegisterClassExW(&wc);
        }
        window_ = CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                                  nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    queue_.push_back(std::move(work));
    PostMessageW(window_, kRunNext, 0, 0);
}

void PostedWork::runNext() {
    if (queue_.empty()) return;
    std::function<void()> work = std::move(queue_.front());
    queue_.pop_front();
    work();
}

LRESULT CALLBACK PostedWork::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kRunNext) return DefWindowProcW(hwnd, message, wParam, lParam);
    auto* self = reinterpret_cast<PostedWork*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    // As in the program's windows: nothing may leave a window procedure, nor fail without a word.
    try {
        if (self) self->runNext();
    } catch (...) {
        reportHandlerFailure(nullptr);
    }
    return 0;
}

}  // namespace vk

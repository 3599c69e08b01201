#include "platform/keep_on_top.h"

namespace vk {
namespace {

// Set on a window kept on top; the count of open dialogs it has stepped down for.
constexpr wchar_t kKeptOnTop[] = L"Vellumkeep.KeptOnTop";
constexpr wchar_t kStepDowns[] = L"Vellumkeep.StepDowns";

constexpr UINT kZOrderOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;

INT_PTR stepDowns(HWND window) { return reinterpret_cast<INT_PTR>(GetPropW(window, kStepDowns)); }

void setStepDowns(HWND window, INT_PTR count) {
    if (count > 0)
        SetPropW(window, kStepDowns, reinterpret_cast<HANDLE>(count));
    else
        RemovePropW(window, kStepDowns);
}

bool ownsOrIs(HWND candidate, HWND dialog) {
    for (HWND window = dialog; window; window = GetWindow(window, GW_OWNER))
        if (window == candidate) return true;
    return false;
}

// Puts a window kept on top among ordinary windows, at their top. An owned window always stays
// above its owner, so a hidden owner (one that only keeps the window out of the task bar) goes to
// the bottom first: standing higher, it would hold the window up among the topmost ones.
void stepDown(HWND window) {
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner && !IsWindowVisible(owner)) SetWindowPos(owner, HWND_BOTTOM, 0, 0, 0, 0, kZOrderOnly);
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, kZOrderOnly);
}

struct Search {
    HWND dialog;
    std::vector<HWND> found;
};

BOOL CALLBACK collectKeptOnTop(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<Search*>(data);
    if (GetPropW(window, kKeptOnTop) && !ownsOrIs(window, search.dialog)) search.found.push_back(window);
    return TRUE;
}

}  // namespace

void keepOnTop(HWND window, bool onTop) {
    if (onTop)
        SetPropW(window, kKeptOnTop, reinterpret_cast<HANDLE>(1));
    else
        RemovePropW(window, kKeptOnTop);
    // A window that is stepped down for an open dialog goes back on top when that dialog closes.
    if (onTop && stepDowns(window) > 0) return;
    SetWindowPos(window, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

AboveKeptOnTop::AboveKeptOnTop(HWND dialog) {
    Search search{dialog, {}};
    EnumThreadWindows(GetCurrentThreadId(), collectKeptOnTop, reinterpret_cast<LPARAM>(&search));
    for (HWND window : search.found) {
        INT_PTR count = stepDowns(window);
        setStepDowns(window, count + 1);
        if (count == 0) stepDown(window);
    }
    steppedDown_ = std::move(search.found);
}

AboveKeptOnTop::~AboveKeptOnTop() {
    for (HWND window : steppedDown_) {
        if (!IsWindow(window)) continue;
        INT_PTR count = stepDowns(window) - 1;
        setStepDowns(window, count);
        if (count == 0 && GetPropW(window, kKeptOnTop)) SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, kZOrderOnly);
    }
}

}  // namespace vk

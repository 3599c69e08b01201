#include "platform/running_copy.h"

#include <vector>

namespace vk {
namespace {

struct ProcessWindows {
    DWORD process;
    std::vector<HWND> visible;  // from the top of the z-order down
};

BOOL CALLBACK collectVisibleWindow(HWND window, LPARAM param) {
    auto& found = *reinterpret_cast<ProcessWindows*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == found.process && IsWindowVisible(window)) found.visible.push_back(window);
    return TRUE;
}

// The process id that the first copy wrote into the block; it writes it at once after making the
// block, so a copy that starts at the same moment waits a little for it.
DWORD firstProcessIn(HANDLE block) {
    auto* view = static_cast<volatile LONG*>(MapViewOfFile(block, FILE_MAP_READ, 0, 0, sizeof(LONG)));
    if (!view) return 0;
    LONG id = 0;
    for (int waited = 0; waited < 2000 && (id = *view) == 0; waited += 20) Sleep(20);
    UnmapViewOfFile(const_cast<LONG*>(view));
    return static_cast<DWORD>(id);
}

}  // namespace

RunningCopy::RunningCopy(const std::wstring& key) {
    const std::wstring name = L"Local\\Vellumkeep." + key;
    block_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG), name.c_str()));
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    // Without a block, nothing can be told apart: run as the first copy rather than not at all.
    if (!block_) return;
    if (existed) {
        firstProcess_ = firstProcessIn(block_.get());
        if (firstProcess_ == GetCurrentProcessId()) firstProcess_ = 0;  // claimed twice by this process
        return;
    }
    if (auto* view = static_cast<LONG*>(MapViewOfFile(block_.get(), FILE_MAP_WRITE, 0, 0, sizeof(LONG)))) {
        InterlockedExchange(view, static_cast<LONG>(GetCurrentProcessId()));
        UnmapViewOfFile(view);
    }
}

bool RunningCopy::bringAnotherForward() const {
    ProcessWindows found{firstProcess_, {}};
    if (!found.process) return false;
    EnumWindows(collectVisibleWindow, reinterpret_cast<LPARAM>(&found));
    if (found.visible.empty()) return false;
    for (HWND window : found.visible)
        if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
    // The foremost one: the password dialog, a message box, or the main window.
    SetForegroundWindow(found.visible.front());
    return true;
}

}  // namespace vk

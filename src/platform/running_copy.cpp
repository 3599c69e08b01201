#include "platform/running_copy.h"

#include <vector>

#include "platform/window.h"

namespace vk {
namespace {

// How long a start waits for what another copy does at that moment: write its process id into the
// block it has just made, let its block go as it ends, or show its first window.
constexpr DWORD kOtherCopyWaitMs = 3000;

bool waitedLongEnough(DWORD since) {
    return GetTickCount() - since >= kOtherCopyWaitMs;
}

struct ProcessWindows {
    DWORD process;
    bool programWindow = false;  // one of them, shown or hidden, is of the program's own class
    std::vector<HWND> visible;   // from the top of the z-order down
};

BOOL CALLBACK collectWindow(HWND window, LPARAM param) {
    auto& found = *reinterpret_cast<ProcessWindows*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != found.process) return TRUE;
    wchar_t className[32] = L"";
    if (GetClassNameW(window, className, 32) && lstrcmpW(className, kWindowClass) == 0) found.programWindow = true;
    if (IsWindowVisible(window)) found.visible.push_back(window);
    return TRUE;
}

ProcessWindows topLevelWindowsOf(DWORD process) {
    ProcessWindows found{process, false, {}};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool isRunning(DWORD process) {
    KernelHandle handle(OpenProcess(SYNCHRONIZE, FALSE, process));
    // A process that this user may not open is there all the same.
    if (!handle) return GetLastError() == ERROR_ACCESS_DENIED;
    return WaitForSingleObject(handle.get(), 0) == WAIT_TIMEOUT;
}

DWORD processNamedIn(HANDLE block) {
    auto* view = static_cast<volatile LONG*>(MapViewOfFile(block, FILE_MAP_READ, 0, 0, sizeof(LONG)));
    if (!view) return 0;
    const LONG id = *view;
    UnmapViewOfFile(const_cast<LONG*>(view));
    return static_cast<DWORD>(id);
}

void nameThisProcessIn(HANDLE block) {
    if (auto* view = static_cast<LONG*>(MapViewOfFile(block, FILE_MAP_WRITE, 0, 0, sizeof(LONG)))) {
        InterlockedExchange(view, static_cast<LONG>(GetCurrentProcessId()));
        UnmapViewOfFile(view);
    }
}

}  // namespace

RunningCopy::RunningCopy(const std::wstring& key) {
    const std::wstring name = L"Local\\Vellumkeep." + key;
    // A block that names no running process belongs to a copy that is still writing its id, or to
    // one that has just ended while another start looked at it: it is looked at afresh for a while.
    for (const DWORD since = GetTickCount();; Sleep(20)) {
        block_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG), name.c_str()));
        const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
        // No block: its name is taken by an object of another kind, or by one this user may not
        // open. Running unclaimed could put two copies on one vault, so the key stays unheld.
        if (!block_) return;
        if (!existed) {
            nameThisProcessIn(block_.get());
            held_ = true;
            return;
        }
        const DWORD named = processNamedIn(block_.get());
        if (named == GetCurrentProcessId()) {  // claimed twice by this process
            held_ = true;
            return;
        }
        if (named != 0 && isRunning(named)) {
            holder_ = named;
            return;
        }
        block_.reset();
        if (waitedLongEnough(since)) return;
    }
}

// A running copy of this program is told by a top-level window of the program's own class: that
// is what a copy shows to be brought forward at all, and what a program that merely took the
// key's name lacks. Its image name is not asked: a copy renamed by a download ("Vellumkeep (1).exe")
// is still this program, and a program bent on passing for it could take the name as easily.
bool RunningCopy::bringHolderForward() const {
    if (!holder_) return false;
    // A copy that has just claimed its vault shows its first window a moment later, and one that
    // hands over from one window to the next shows none for a moment: both are waited for.
    for (const DWORD since = GetTickCount();; Sleep(50)) {
        ProcessWindows found = topLevelWindowsOf(holder_);
        if (found.programWindow && !found.visible.empty()) {
            for (HWND window : found.visible)
                if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
            // The foremost one: the password dialog, a message box, or the main window.
            SetForegroundWindow(found.visible.front());
            return true;
        }
        if (!isRunning(holder_) || waitedLongEnough(since)) return false;
    }
}

}  // namespace vk

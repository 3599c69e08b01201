#include "platform/running_copy.h"

#include <cstdint>
#include <vector>

namespace vk {
namespace {

// The name of the shared block: a hash of the key, since a path may be longer than a name may
// be and holds backslashes, which names may not.
std::wstring blockName(std::wstring key) {
    if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (wchar_t unit : key) {
        hash ^= static_cast<std::uint16_t>(unit);
        hash *= 0x100000001b3ull;
    }
    wchar_t name[64];
    wsprintfW(name, L"Local\\Vellumkeep.%08lX%08lX", static_cast<unsigned long>(hash >> 32),
              static_cast<unsigned long>(hash & 0xFFFFFFFFu));
    return name;
}

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
    block_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG),
                                    blockName(key).c_str()));
    // Without a block, nothing can be told apart: run as the first copy rather than not at all.
    if (!block_) return;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
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

#include "platform/clipboard.h"

#include <cstring>

namespace vk {
namespace {

constexpr int kOpenAttempts = 10;
constexpr DWORD kRetryDelayMs = 20;

class ClipboardScope {
public:
    explicit ClipboardScope(HWND owner) {
        for (int attempt = 0; attempt < kOpenAttempts && !open_; ++attempt) {
            if (attempt > 0) Sleep(kRetryDelayMs);
            open_ = OpenClipboard(owner) != FALSE;
        }
    }
    ~ClipboardScope() {
        if (open_) CloseClipboard();
    }
    ClipboardScope(const ClipboardScope&) = delete;
    ClipboardScope& operator=(const ClipboardScope&) = delete;
    bool isOpen() const { return open_; }

private:
    bool open_ = false;
};

}  // namespace

bool clipboardClear(HWND owner) {
    ClipboardScope clipboard(owner);
    return clipboard.isOpen() && EmptyClipboard();
}

bool clipboardSetText(HWND owner, const std::string& ansi) {
    ClipboardScope clipboard(owner);
    if (!clipboard.isOpen() || !EmptyClipboard()) return false;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, ansi.size() + 1);
    if (!memory) return false;
    void* bytes = GlobalLock(memory);
    if (!bytes) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(bytes, ansi.c_str(), ansi.size() + 1);
    GlobalUnlock(memory);
    if (!SetClipboardData(CF_TEXT, memory)) {
        GlobalFree(memory);
        return false;
    }
    return true;  // the clipboard owns the memory now
}

bool clipboardGetText(HWND owner, std::string& ansi) {
    ClipboardScope clipboard(owner);
    if (!clipboard.isOpen()) return false;
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data) return false;
    const char* bytes = static_cast<const char*>(GlobalLock(data));
    if (!bytes) return false;
    ansi.assign(bytes, strnlen(bytes, GlobalSize(data)));
    GlobalUnlock(data);
    return true;
}

}  // namespace vk

#include "platform/clipboard.h"

#include <cstring>

#include "platform/wipe.h"

namespace vk {
namespace {

constexpr int kOpenAttempts = 10;
constexpr DWORD kRetryDelayMs = 20;

class ClipboardScope {
public:
    explicit ClipboardScope(HWND owner, ClipboardWait wait = ClipboardWait::Briefly) {
        const int attempts = wait == ClipboardWait::Briefly ? kOpenAttempts : 1;
        for (int attempt = 0; attempt < attempts && !open_; ++attempt) {
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

// Copies the bytes, and as many zero bytes after them, into memory the open clipboard takes over;
// false when it could not.
bool putOnOpenClipboard(UINT format, const void* data, size_t size, size_t zeros = 0) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size + zeros);
    if (!memory) return false;
    auto* bytes = static_cast<char*>(GlobalLock(memory));
    if (!bytes) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(bytes, data, size);
    std::memset(bytes + size, 0, zeros);
    GlobalUnlock(memory);
    if (!SetClipboardData(format, memory)) {
        GlobalFree(memory);
        return false;
    }
    return true;  // the clipboard owns the memory now
}

// Windows' clipboard history, its cloud clipboard and well-behaved clipboard monitors skip a
// content that carries these formats. Older systems do not know them and keep them as plain data.
void markAsPrivate() {
    const DWORD no = 0;
    putOnOpenClipboard(RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing"), &no, sizeof no);
    putOnOpenClipboard(RegisterClipboardFormatW(L"CanIncludeInClipboardHistory"), &no, sizeof no);
    putOnOpenClipboard(RegisterClipboardFormatW(L"CanUploadToCloudClipboard"), &no, sizeof no);
}

// Empties the open clipboard. The text this program put there (a password, perhaps) is wiped first
// where this process keeps it: emptying frees that memory as it is.
bool emptyOpenClipboard(HWND owner) {
    if (GetClipboardOwner() == owner)
        if (HANDLE text = GetClipboardData(CF_TEXT))
            if (void* bytes = GlobalLock(text)) {
                wipeBytes(bytes, GlobalSize(text));
                GlobalUnlock(text);
            }
    return EmptyClipboard() != FALSE;
}

}  // namespace

bool clipboardClear(HWND owner) {
    ClipboardScope clipboard(owner);
    return clipboard.isOpen() && emptyOpenClipboard(owner);
}

std::optional<DWORD> clipboardSetText(HWND owner, std::string_view ansi) {
    DWORD sequence = 0;
    {
        ClipboardScope clipboard(owner);
        if (!clipboard.isOpen() || !emptyOpenClipboard(owner)) return std::nullopt;
        if (!putOnOpenClipboard(CF_TEXT, ansi.data(), ansi.size(), 1)) return std::nullopt;
        markAsPrivate();
        sequence = GetClipboardSequenceNumber();
    }
    // Closing may count as a change of its own. Whoever still owns the clipboard after it tells
    // whether the number read now is still about our text; if another program has copied in
    // between, the number read while ours was open never comes back, so theirs is never cleared.
    DWORD afterClosing = GetClipboardSequenceNumber();
    return GetClipboardOwner() == owner ? afterClosing : sequence;
}

ClipboardClearing clipboardClearIfUnchanged(HWND owner, DWORD sequence, ClipboardWait wait) {
    if (GetClipboardSequenceNumber() != sequence) return ClipboardClearing::NotOurs;
    ClipboardScope clipboard(owner, wait);
    if (!clipboard.isOpen()) return ClipboardClearing::Busy;
    // Whoever held it open may have copied something of their own meanwhile.
    if (GetClipboardSequenceNumber() != sequence) return ClipboardClearing::NotOurs;
    return emptyOpenClipboard(owner) ? ClipboardClearing::Cleared : ClipboardClearing::Busy;
}

}  // namespace vk

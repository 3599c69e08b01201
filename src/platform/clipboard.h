#pragma once
#include <windows.h>

#include <optional>
#include <string_view>

namespace vk {

// The clipboard may be held open by another program for a moment; each call retries briefly
// (unless told not to) and says when it could not get it.
bool clipboardClear(HWND owner);
// Puts plain text on the clipboard, marked so that the clipboard history, the cloud clipboard
// and clipboard monitors leave it alone. Answers the clipboard's sequence number while it holds
// that text, for clipboardClearIfUnchanged.
std::optional<DWORD> clipboardSetText(HWND owner, std::string_view ansi);
// What became of a request to take our copy off the clipboard.
enum class ClipboardClearing {
    Cleared,  // the clipboard was emptied
    NotOurs,  // something else was put on it since: left alone
    Busy,     // another program has the clipboard open: ask again later
};
// Whether a call waits a moment for another program to close the clipboard, or tries only once
// (for a caller that asks again later anyway).
enum class ClipboardWait { Briefly, No };
// Empties the clipboard if nothing has been put on it since `sequence`; another program's later
// copy is never touched.
ClipboardClearing clipboardClearIfUnchanged(HWND owner, DWORD sequence, ClipboardWait wait);

}  // namespace vk

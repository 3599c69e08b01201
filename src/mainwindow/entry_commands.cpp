// The commands of the main window's buttons, which its Data and Copy menus repeat.
#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "mainwindow/entry_editor.h"
#include "platform/locations.h"
#include "mainwindow/main_window.h"
#include "platform/clipboard.h"
#include "platform/collation.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace vk {
namespace {

constexpr const char* kCopyLabels[] = {"Copied Username ", "Copied Password ", "Copied Location "};

// A text cut to `shown` characters and marked as cut, so that a very long one neither stalls the
// control that shows it nor makes it wider than the screen.
std::wstring cutToReadableLength(std::string_view text, size_t shown, const wchar_t* cutMark) {
    const size_t mostBytes = 4 * shown;  // enough for `shown` characters in any code page
    std::wstring wide = widen(std::string(text.substr(0, mostBytes)));
    if (text.size() <= mostBytes && wide.size() <= shown) return wide;
    wide.resize(std::min(wide.size(), shown));
    return wide + cutMark;
}

// A field as the delete question shows it.
std::wstring shownInQuestion(std::string_view field) { return cutToReadableLength(field, 80, L"\u2026"); }

// A command line as the status line shows it: whole up to MAX_PATH characters, as any ordinary
// path or address is.
std::string shownOnStatusLine(std::string_view commandLine) {
    if (commandLine.size() <= MAX_PATH) return std::string(commandLine);
    return displayText(cutToReadableLength(commandLine, MAX_PATH, L"..."));
}

// "12 of 3,402 entries match "bank"".
std::string matchesText(size_t shown, size_t count, const std::string& typed) {
    return withThousands(shown) + " of " + withThousands(count) + (count == 1 ? " entry " : " entries ") +
           (shown == 1 ? "matches" : "match") + " \"" + typed + "\"";
}

}  // namespace

void MainWindow::onAddClick() {
    if (unlockedOrAsk()) editor_.openForAdd();
}

void MainWindow::onEditClick() {
    if (!unlockedOrAsk()) return;
    // One editor at a time: a request while it is open shows it and changes nothing.
    if (editor_.isLoaded()) return editor_.show();
    auto index = entryList.selectedIndex();
    if (!index) {
        setStatusText("You must first select an entry to edit.");
        return;
    }
    editor_.openForEdit(entries_.idAt(*index), entries_.at(*index));
}

void MainWindow::onDeleteClick() {
    if (!unlockedOrAsk()) return;
    auto index = entryList.selectedIndex();
    if (!index) {
        setStatusText("You must first select an entry to delete.");
        return;
    }
    vault::EntryView entry = entries_.at(*index);
    vault::EntryId id = entries_.idAt(*index);
    std::wstring question = L"Are you sure you want to delete the following information?\r\n\r\nUsername: " +
                            shownInQuestion(entry.username) + L"\r\nUsed At: " + shownInQuestion(entry.location);
    if (messageBox(hwnd(), question, "Confirm Delete", MB_OKCANCEL) != IDOK) {
        setStatusText("Entry not deleted, cancelled by user");
        return;
    }
    host_.removeEntry(id);
    if (host_.saveVault(hwnd())) setStatusText("Entry deleted successfully, data saved.");
}

void MainWindow::onCopyClick(vault::Field field) {
    if (!unlockedOrAsk()) return;
    forgetCopiedPassword(ClipboardWait::No);
    // Emptied first, so that nothing copied earlier (a password) stays behind.
    bool cleared = clipboardClear(hwnd());
    auto index = entryList.selectedIndex();
    if (!index) {
        setStatusText("You must first select a row to copy from.");
        return;
    }
    const SecretString value(vault::EntryList::field(entries_.at(*index), static_cast<int>(field)));
    std::optional<DWORD> copied = cleared ? clipboardSetText(hwnd(), value) : std::nullopt;
    if (!copied) {
        setStatusText("Nothing copied: another program is using the clipboard.  Please try again.");
        return;
    }
    lastCopy_ = copied;
    if (field == vault::Field::Password) {
        copiedPassword_ = copied;
        clipboardRetryTimer->setEnabled(false);  // an earlier password went with the emptying
        clipboardTimer->setEnabled(true);
    }
    // A password the list keeps out of sight stays out of sight on the status line too.
    const bool hidden = field == vault::Field::Password && !entryList.passwordsShown();
    setStatusText(kCopyLabels[static_cast<int>(field)] + (hidden ? std::string("(not shown)") : std::string(value)));
}

void MainWindow::forgetCopies() {
    forgetCopiedPassword(ClipboardWait::Briefly);
    if (lastCopy_) clipboardClearIfUnchanged(hwnd(), *lastCopy_, ClipboardWait::Briefly);
    lastCopy_.reset();
}

void MainWindow::onClipboardTimer() { forgetCopiedPassword(ClipboardWait::No); }

void MainWindow::forgetCopiedPassword(ClipboardWait wait) {
    if (clipboardTimer) clipboardTimer->setEnabled(false);
    const bool busy =
        copiedPassword_ && clipboardClearIfUnchanged(hwnd(), *copiedPassword_, wait) == ClipboardClearing::Busy;
    if (clipboardRetryTimer) clipboardRetryTimer->setEnabled(busy);
    if (!busy) copiedPassword_.reset();
}

void MainWindow::onGoToClick() {
    if (!unlockedOrAsk()) return;
    auto index = entryList.selectedIndex();
    if (!index) {
        setStatusText("You must first select an entry to go to.");
        return;
    }
    setStatusText("Opening Location...");
    std::optional<std::string> commandLine = goToCommandLine(entries_.at(*index).location);
    if (!commandLine) {
        setStatusText(
            "Location not opened: it may not begin with \"/\", nor hold a double quote or a control "
            "character.");
        return;
    }
    if (!fitsOnCommandLine(*commandLine)) {
        setStatusText("Location not opened: it is too long for Windows to pass to another program.");
        return;
    }
    if (!host_.startProgram(systemExplorerPath(), *commandLine, SW_SHOWMINIMIZED))
        setStatusText("Could not start: " + shownOnStatusLine(*commandLine));
}

void MainWindow::onWebsiteClick() { host_.visitWebsite(); }

void MainWindow::onFindClick() {
    if (unlockedOrAsk()) findBox.open(hwnd());
}

bool MainWindow::findTextChanged(const AnsiText& typed) {
    // Each keystroke replaces the search before it: one that comes while the list is worked out
    // stops that work, and the box asks again with the text it leaves.
    return showMatches(typed, &keyWaiting);
}

bool MainWindow::showMatches(const AnsiText& typed, const std::function<bool()>& keyWaiting) {
    const bool wasFiltered = entryList.filtered();
    const vault::CaseFolding folding{letterCaseTable(), &foldLetterCase};
    if (!entryList.filterBy(vault::EntryFilter(typed.text, folding, typed.complete), keyWaiting)) return false;
    const size_t count = entries_.count();
    if (entryList.filtered())
        setStatusText(matchesText(entryList.shownCount(), count, typed.text));
    else if (wasFiltered)
        setStatusText("All " + withThousands(count) + (count == 1 ? " entry shown" : " entries shown"));
    return true;
}

void MainWindow::firstMatchChosen() {
    if (entryList.selectFirstRow()) focusOn(entryList.hwnd());
}

void MainWindow::findClosed() {
    // The box is gone: nothing would ask again, so no key may stop this.
    showMatches({}, [] { return false; });
}

}  // namespace vk

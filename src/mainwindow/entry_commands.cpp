// The commands of the main window's buttons, which its Data and Copy menus repeat.
#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "app/program.h"
#include "mainwindow/locations.h"
#include "mainwindow/main_window.h"
#include "platform/clipboard.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "vault/vault_operations.h"

namespace vk {
namespace {

constexpr const char* kCopyLabels[] = {"Copied Username ", "Copied Password ", "Copied Location "};
constexpr int kPasswordField = 1;

// A field as the delete question shows it: cut to a readable length, so that a very long field
// neither stalls the question nor makes its box wider than the screen.
std::wstring shownInQuestion(std::string_view field) {
    constexpr size_t kShown = 80;
    constexpr size_t kMostBytes = 4 * kShown;  // enough for kShown characters in any code page
    std::wstring text = widen(std::string(field.substr(0, kMostBytes)));
    if (field.size() <= kMostBytes && text.size() <= kShown) return text;
    text.resize(std::min(text.size(), kShown));
    return text + L"\u2026";
}

}  // namespace

void MainWindow::cmdAdd_Click(int) {
    // One editor at a time: a second request shows the open one and changes nothing.
    if (app_.frmAdd.isLoaded()) {
        app_.frmAdd.show();
        return;
    }
    app_.entryMode = "Add";
    app_.frmAdd.load();
    app_.frmAdd.show();
}

void MainWindow::cmdEdit_Click() {
    if (app_.frmAdd.isLoaded()) {
        app_.frmAdd.show();
        return;
    }
    auto row = lstPass.firstSelectedRow();
    if (!row) {
        SetStatusText(app_, "You must first select an entry to edit.");
        return;
    }
    vault::EntryView entry = entries_.at(*row - 1);
    app_.editUsername = entry.username;
    app_.editPassword = entry.password;
    app_.editLocation = entry.location;
    app_.editRowIndex = static_cast<int>(*row);
    app_.entryMode = "Edit";
    app_.frmAdd.load();
    app_.frmAdd.show();
}

void MainWindow::cmdDelete_Click() {
    auto row = lstPass.firstSelectedRow();
    if (!row) {
        SetStatusText(app_, "You must first select an entry to delete.");
        return;
    }
    vault::EntryView entry = entries_.at(*row - 1);
    EntryId id = entries_.idAt(*row - 1);
    std::wstring question = L"Are you sure you want to delete the following information?\r\n\r\nUsername: " +
                            shownInQuestion(entry.username) + L"\r\nUsed At: " + shownInQuestion(entry.location);
    if (messageBox(hwnd(), question, "Confirm Delete", MB_OKCANCEL) != IDOK) {
        SetStatusText(app_, "Entry not deleted, cancelled by user");
        return;
    }
    lstPass.remove(id);
    if (saveVault(app_, hwnd())) SetStatusText(app_, "Entry deleted successfully, data saved.");
}

void MainWindow::cmdCopy_Click(int index) {
    if (index < 0 || index > 2) return;
    forgetCopiedPassword();
    // Emptied first, so that nothing copied earlier (a password) stays behind.
    bool cleared = clipboardClear(hwnd());
    auto row = lstPass.firstSelectedRow();
    if (!row) {
        SetStatusText(app_, "You must first select a row to copy from.");
        return;
    }
    std::string value(EntryList::field(entries_.at(*row - 1), index));
    std::optional<DWORD> copied = cleared ? clipboardSetText(hwnd(), value) : std::nullopt;
    if (!copied) {
        SetStatusText(app_, "Nothing copied: another program is using the clipboard.  Please try again.");
        return;
    }
    if (index == kPasswordField) {
        copiedPassword_ = copied;
        tmrClipboard->setEnabled(true);
    }
    SetStatusText(app_, kCopyLabels[index] + value);
}

void MainWindow::tmrClipboard_Timer() {
    forgetCopiedPassword();
}

void MainWindow::forgetCopiedPassword() {
    if (tmrClipboard) tmrClipboard->setEnabled(false);
    if (copiedPassword_) clipboardClearIfUnchanged(hwnd(), *copiedPassword_);
    copiedPassword_.reset();
}

void MainWindow::cmdGoto_Click() {
    auto row = lstPass.firstSelectedRow();
    if (!row) {
        SetStatusText(app_, "You must first select an entry to go to.");
        return;
    }
    SetStatusText(app_, "Opening Location...");
    std::optional<std::string> commandLine = goToCommandLine(entries_.at(*row - 1).location);
    if (!commandLine) {
        SetStatusText(app_, "Location not opened: it may not begin with \"/\", nor hold a double quote or a control "
                            "character.");
        return;
    }
    if (!app_.env.startProgram(systemExplorerPath(), *commandLine, SW_SHOWMINIMIZED))
        SetStatusText(app_, "Could not start: " + *commandLine);
}

void MainWindow::cmdWebsite_Click(int) {
    app_.linkRequest = "Website";
    app_.frmWebsite.load();
}

}  // namespace vk

#include "app/vault_lock.h"

#include "platform/message_box.h"

namespace vk {

VaultLock::VaultLock(Host& host, VaultController& vault, PasswordDialog& passwordDialog,
                     const SettingsStore& settings, std::function<DWORD()> clock)
    : host_(host),
      vault_(vault),
      passwordDialog_(passwordDialog),
      settings_(settings),
      inputWatch_(std::move(clock)) {}

void VaultLock::loadOptions() {
    options_ = readOptions(settings_, host_.product());
    host_.optionsRead(options_);
}

void VaultLock::optionsChosen(const Options& options) {
    saveOptions(settings_, host_.product(), options);
    loadOptions();
    inputWatch_.restart();  // the new time without use counts from now
}

void VaultLock::lockOrUnlock() {
    if (locked_) return askToUnlock();
    askForLock();
}

void VaultLock::windowsLocking() {
    if (options_.lockOnSessionLock) askForLock();
}

void VaultLock::windowMinimised() {
    if (options_.lockWhenMinimised) askForLock();
}

void VaultLock::idleCheck() {
    if (lockAsked_) return lockWhenFree();
    const unsigned lockAfterMs = static_cast<unsigned>(options_.lockAfterMinutes) * 60'000u;
    if (lockAfterMs != 0 && !locked_ && inputWatch_.idleMs() >= lockAfterMs) askForLock();
}

void VaultLock::askForLock() {
    // Only an open vault locks: not before the gate has let the user in, nor twice.
    if (locked_ || !vault_.vault().isOpen()) return;
    lockAsked_ = true;
    lockWhenFree();
}

// A box or a system dialog runs a loop of its own, inside the command that opened it, whichever
// window owns it: the editor and the key dialog are modeless, so their boxes leave the main window
// enabled. The command goes on once its box is closed, and must find the vault as it left it. A
// key being derived holds every window disabled.
bool VaultLock::windowsFree() const { return !openDialogs() && IsWindowEnabled(host_.mainWindowHandle()); }

void VaultLock::lockWhenFree() {
    if (!windowsFree()) {
        // They close as Cancel would; the lock comes once their commands are over (the idle
        // check asks again).
        cancelOpenDialogs();
        return;
    }
    lock();
}

void VaultLock::lock() {
    lockAsked_ = false;
    // Closed as Cancel closes them; what the editor held is kept for the unlock.
    host_.closeDialogsForLock();
    draft_ = host_.takeEditorDraft();
    host_.forgetCopies();
    vault_.lock();
    locked_ = true;
    host_.showLocked(true);
}

void VaultLock::askToUnlock() {
    if (passwordDialog_.isLoaded()) return passwordDialog_.show();
    // Read again from the file, as at start: an outside change made meanwhile is simply what opens.
    vault::VaultState state = vault::VaultState::Guarded;
    const bool kept = vault_.keptWhileLocked();
    if (!kept && !vault_.inspect(state, VaultController::Reading::AtUnlock)) return;
    // Wrong tries end the program only where nothing is lost by it.
    passwordDialog_.openToUnlock(host_.mainWindowHandle(), kept ? PasswordDialog::AfterWrongTries::Wait
                                                          : PasswordDialog::AfterWrongTries::End);
    if (state == vault::VaultState::Fresh) passwordDialog_.switchToCreate();
}

void VaultLock::unlockWith(const std::string& password) {
    const bool unlocked = vault_.keptWhileLocked() ? vault_.unlockKept(passwordDialog_.hwnd(), password)
                                                   : vault_.unlock(password);
    if (!unlocked) return passwordDialog_.refuseWrongPassword();
    // A reopened vault has come through showUnlocked already.
    if (locked_) finishUnlock();
}

void VaultLock::finishUnlock() {
    locked_ = false;
    host_.showLocked(false);
    passwordDialog_.unload();
    inputWatch_.restart();
    restoreDraft();
    if (!report_) return;
    auto [title, text] = std::move(*report_);
    report_.reset();
    messageBox(host_.mainWindowHandle(), text, title, MB_OK | MB_ICONINFORMATION);
}

void VaultLock::restoreDraft() {
    if (!draft_) return;
    // The draft's entry is looked for as it was opened: an entry changed or deleted meanwhile is
    // not found, and the editor's Save then asks, as for an entry deleted while it was edited.
    std::optional<vault::EntryId> entry;
    if (draft_->opening) {
        const vault::EntryList& entries = vault_.vault().entries();
        for (size_t i = 0; i < entries.count() && !entry; ++i)
            if (entries.at(i) == vault::EntryView(*draft_->opening)) entry = entries.idAt(i);
    }
    EntryEditor::Draft draft = std::move(*draft_);
    draft_.reset();
    host_.reopenEditorDraft(std::move(draft), entry);
}

void VaultLock::tellAfterUnlock(std::wstring text, std::string title) {
    report_.emplace(std::move(title), std::move(text));
}

}  // namespace vk

// The lock: the open vault closes itself when the user walks away (a time without use, Windows
// locking the session or going to sleep, the window minimised, as the options say) or asks it to
// (File > Lock, Ctrl+L). Nothing holds a lock off: the boxes and dialogs open at that moment close
// as their Cancel would, and what the editor held comes back as a draft at the unlock, which
// reads the vault again through the gate's own path.
#include <algorithm>

#include "app/program.h"
#include "platform/message_box.h"

namespace vk {

void Program::loadOptions() {
    options_ = readOptions(env_.settings, productName);
    lockAfterMs_ = lockAfterMs(env_.settings, productName, options_);
    mainWindow_.entryList.setPasswordsShown(options_.showPasswords);
    vault_.vault().keepVersions(options_.versionsKept);
}

void Program::optionsChosen(const Options& options) {
    saveOptions(env_.settings, productName, options);
    loadOptions();
    inputWatch_.restart();  // the new time without use counts from now
}

void Program::lockOrUnlock() {
    if (locked_) return askToUnlock();
    askForLock();
}

void Program::windowsLocking() {
    if (options_.lockOnSessionLock) askForLock();
}

void Program::windowMinimised() {
    if (options_.lockWhenMinimised) askForLock();
}

void Program::idleCheck() {
    if (lockAsked_) return lockWhenFree();
    if (lockAfterMs_ != 0 && !locked_ && inputWatch_.idleMs() >= lockAfterMs_) return askForLock();
    if (GetTickCount() - lastVaultCheck_ >= env_.vaultCheckMs) checkVaultFile();
}

void Program::askForLock() {
    // Only an open vault locks: not before the gate has let the user in, nor twice.
    if (locked_ || !vault_.vault().isOpen()) return;
    lockAsked_ = true;
    cancelOpenDialogs();
    lockWhenFree();
}

void Program::lockWhenFree() {
    // A modal box, a system dialog or a key being derived holds the main window disabled, and code
    // that waits for it on the stack: the lock comes once it has let go (the idle check asks again).
    if (!IsWindowEnabled(mainWindow_.hwnd())) {
        cancelOpenDialogs();
        return;
    }
    lock();
}

void Program::lock() {
    lockAsked_ = false;
    // Closed as Cancel closes them; what the editor held is kept for the unlock.
    generatorDialog_.unload();
    draft_ = entryEditor_.takeDraft();
    vaultKeyDialog_.unload();
    columnChooser_.unload();
    earlierVersionsDialog_.unload();
    mainWindow_.forgetCopies();
    vault_.lock();
    locked_ = true;
    mainWindow_.showLocked(true);
}

void Program::askToUnlock() {
    if (passwordDialog_.isLoaded()) return passwordDialog_.show();
    // Read again from the file, as at start: an outside change made meanwhile is simply what opens.
    vault::VaultState state = vault::VaultState::Guarded;
    if (!vault_.keptWhileLocked() && !vault_.inspect(state, VaultController::Reading::AtUnlock)) return;
    passwordDialog_.openToUnlock(mainWindow_.hwnd());
    if (state == vault::VaultState::Fresh) passwordDialog_.switchToCreate();
}

void Program::unlockWith(const std::string& password) {
    const bool unlocked = vault_.keptWhileLocked() ? vault_.unlockKept(passwordDialog_.hwnd(), password)
                                                   : vault_.unlock(password);
    if (!unlocked) return passwordDialog_.refuseWrongPassword();
    // A reopened vault has come through showUnlocked already.
    if (locked_) finishUnlock();
}

void Program::finishUnlock() {
    locked_ = false;
    mainWindow_.showLocked(false);
    passwordDialog_.unload();
    inputWatch_.restart();
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
    entryEditor_.openDraft(std::move(draft), entry);
}

}  // namespace vk

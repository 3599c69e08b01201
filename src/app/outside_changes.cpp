// Another program's change of the vault file: the same vault saved on another computer and brought in
// by a sync tool. Read again when nothing here is unsaved; merged with the change here otherwise; a
// file this copy cannot merge with is left as it is, and a save asks before it replaces it.
#include <windows.h>

#include "app/vault_controller.h"
#include "platform/message_box.h"

namespace vk {
namespace {

constexpr size_t kConflictsNamed = 8;

// Why a changed file is not merged with, in the words of the status line.
std::string notMergedReason(vault::FileOpening opening) {
    switch (opening) {
    case vault::FileOpening::Damaged: return "it is damaged";
    case vault::FileOpening::NewerVersion: return "a newer version of Vellumkeep saved it";
    case vault::FileOpening::Unencrypted: return "it is no longer encrypted";
    case vault::FileOpening::CryptographyFailed: return "this computer's cryptography (CNG) failed to open it";
    case vault::FileOpening::OtherKey:
    case vault::FileOpening::OtherPassword: return "its master password was not given";
    default: break;
    }
    return "it is missing, or not a vault";
}

// An entry as the user knows it, without its password.
std::string named(const vault::Entry& entry) {
    return entry.location.empty() ? entry.username : entry.username + " (" + entry.location + ")";
}

std::string conflictText(const vault::TakenChange::Conflict& conflict) {
    if (!conflict.ours) return named(conflict.base) + ": deleted here, changed there; the changed entry is kept.";
    if (!conflict.theirs) return named(conflict.base) + ": changed here, deleted there; your change is kept.";
    return named(conflict.base) + ": changed here and there; both versions are kept, side by side.";
}

}  // namespace

VaultController::OutsideChange VaultController::bringInOutsideChange(HWND owner) {
    // A list that lost entries by a fault is never merged: the merge would take their loss for a
    // deletion, and the save refuses it anyway.
    if (!vault_.isOpen() || vault_.missingEntries() > 0) return OutsideChange::None;
    vault::ChangedFile file;
    bool changed = false;
    // A file that cannot be read just now (a sync tool writing it) is looked at again later.
    if (vault_.readChangedFile(changed, file).failed() || !changed) return OutsideChange::None;
    const vault::Fingerprint fingerprint = file.fingerprint;
    if (waitingFile_ && waitingFile_->fingerprint == fingerprint) return OutsideChange::AskingPassword;
    if (declinedFile_ == fingerprint) return OutsideChange::CannotBringIn;
    waitingFile_.reset();
    const vault::FileOpening opening = file.opened.opening;
    if (opening == vault::FileOpening::Opened) {
        takeOutsideChange(owner, std::move(file));
        return OutsideChange::BroughtIn;
    }
    // Saved with another master password (the other computer changed it): asked for, once.
    if (opening == vault::FileOpening::OtherKey || opening == vault::FileOpening::OtherPassword) {
        if (!owner) return OutsideChange::AskingPassword;  // no window to ask in: nothing is written now
        waitingFile_ = std::move(file);
        if (host_.askForChangedVaultPassword()) return OutsideChange::AskingPassword;
        waitingFile_.reset();
    }
    declinedFile_ = fingerprint;
    addStatusNote("The vault file was changed by another program, but Vellumkeep cannot merge with it (" +
                  notMergedReason(opening) + "): the file is left as it is.");
    return OutsideChange::CannotBringIn;
}

void VaultController::checkVaultFile(HWND owner) {
    if (bringInOutsideChange(owner) == OutsideChange::BroughtIn && vault_.hasUnsavedChanges()) save(owner);
}

bool VaultController::changedVaultPasswordEntered(HWND owner, const std::string& password) {
    if (!waitingFile_) return true;  // brought in or given up meanwhile
    vault::VaultKey previous;
    if (!checkPassword(owner, [&](bool& failed) {
            return vault_.openChangedFileWith(*waitingFile_, password, previous, failed);
        }))
        return false;
    vault::ChangedFile file = std::move(*waitingFile_);
    waitingFile_.reset();
    takeOutsideChange(owner, std::move(file));
    showAndRememberFormat();
    // The versions kept here follow the vault's new key: the old master password opens none of them.
    resealEarlierVersions(owner, previous);
    if (vault_.hasUnsavedChanges()) save(owner);
    return true;
}

void VaultController::changedVaultPasswordDeclined() {
    if (!waitingFile_) return;
    declinedFile_ = waitingFile_->fingerprint;
    waitingFile_.reset();
    addStatusNote("The vault file keeps the changes another program saved with another master password; "
                  "a save here asks before it replaces them.");
}

void VaultController::addStatusNote(const std::string& note) {
    host_.afterCommand([this, note] { host_.setStatusText(host_.statusText() + "  " + note); });
}

void VaultController::takeOutsideChange(HWND owner, vault::ChangedFile file) {
    const vault::TakenChange taken = changeEntries([&] { return vault_.takeChangedFile(std::move(file)); });
    if (!taken.merged) {
        host_.setStatusText("The vault was changed by another program; reloaded.");
        return;
    }
    std::string note = "The vault was changed by another program; your changes are merged with its.";
    if (const size_t count = taken.conflicts.size())
        note += "  " + std::to_string(count) + (count == 1 ? " entry was" : " entries were") +
                " changed on both sides: see the message.";
    addStatusNote(note);
    // Told once the merge is saved, which the command that found it does first.
    if (!taken.conflicts.empty())
        host_.afterCommand([this, owner, conflicts = taken.conflicts] { tellMergeConflicts(owner, conflicts); });
}

void VaultController::tellMergeConflicts(HWND owner, const std::vector<vault::TakenChange::Conflict>& conflicts) {
    std::string text =
        "Another program saved the vault while it held a change of yours, and both changed the same entries. "
        " Nothing was dropped:\r\n";
    for (size_t i = 0; i < conflicts.size() && i < kConflictsNamed; ++i) text += "\r\n" + conflictText(conflicts[i]);
    if (conflicts.size() > kConflictsNamed)
        text += "\r\n(and " + std::to_string(conflicts.size() - kConflictsNamed) + " more)";
    messageBox(owner, text, host_.appTitle(), MB_OK | MB_ICONINFORMATION);
}

}  // namespace vk

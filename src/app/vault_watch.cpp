// The program's side of earlier versions and of another program's change of the vault file: the
// Earlier Versions dialog, the looks at the file while the main window waits, and the master
// password a file got elsewhere.
#include "app/program.h"
#include "platform/message_box.h"

namespace vk {

bool Program::askForChangedVaultPassword() {
    if (vaultKeyDialog_.isLoaded()) return false;  // busy with the vault's own key
    vaultKeyDialog_.open(VaultKeyDialog::Purpose::OpenChangedVault);
    return true;
}

void Program::vaultKeyDialogClosed(VaultKeyDialog::Purpose purpose) {
    if (purpose == VaultKeyDialog::Purpose::OpenChangedVault) vault_.changedVaultPasswordDeclined();
}

void Program::openChangedVault(VaultKeyDialog::Request& request) {
    VaultKeyDialog& dialog = vaultKeyDialog_;
    dialog.showWorking("Checking the password...");
    const bool right = request.current.complete && vault_.changedVaultPasswordEntered(dialog.hwnd(), request.current.text);
    dialog.showWorking("");
    if (right) return dialog.unload();
    dialog.refuseCurrentPassword();
    dialog.requestDone();
}

void Program::showEarlierVersions() {
    shownVersions_ = vault_.earlierVersions(mainWindow_.hwnd());
    std::vector<EarlierVersionsDialog::Row> rows;
    rows.reserve(shownVersions_.size());
    for (const VaultController::EarlierVersion& version : shownVersions_)
        rows.push_back({version.keptAt, version.entries, version.restorable});
    earlierVersionsDialog_.open(std::move(rows));
}

void Program::restoreVersionAsked(size_t row) {
    afterHandlers_.post([this, row] {
        if (row >= shownVersions_.size() || !earlierVersionsDialog_.isLoaded()) return;
        if (vault_.restoreVersion(earlierVersionsDialog_.hwnd(), shownVersions_[row])) earlierVersionsDialog_.unload();
    });
}

void Program::mainWindowActivated() {
    afterHandlers_.post([this] { checkVaultFile(); });
}

bool Program::mayCheckVaultFile() const {
    // A box or a dialog of a command runs a loop of its own, and the command waits on the stack for
    // it: it must find the list as it left it. The file is looked at once it has let go.
    return !lock_.locked() && !lock_.waiting() && vault_.vault().isOpen() && mainWindow_.visible() &&
           IsWindowEnabled(mainWindow_.hwnd()) && !openDialogs();
}

void Program::checkVaultFile() {
    lastVaultCheck_ = env_.tickCount();
    if (mayCheckVaultFile()) vault_.checkVaultFile(mainWindow_.hwnd());
}

void Program::idleCheck() {
    lock_.idleCheck();
    if (env_.tickCount() - lastVaultCheck_ >= env_.vaultCheckMs) checkVaultFile();
}

void Program::optionsRead(const Options& options) {
    mainWindow_.entryList.setPasswordsShown(options.showPasswords);
    vault_.vault().keepVersions(options.versionsKept);
}

}  // namespace vk

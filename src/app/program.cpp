#include "app/program.h"

#include "platform/collation.h"
#include "platform/crypto.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "app/branding.h"
#include "app/responsive_cryptography.h"
#include "app/entry_transfer.h"
#include "app/vault_operations.h"
#include "gate/strength_meter.h"
#include "platform/wipe.h"
#include "skin/skin.h"

namespace vk {

Environment Environment::real() {
    Environment env;
    env.app = readAppInfo();
    env.files = &vault::realFileSystem();
    static SystemCryptography system;
    static ResponsiveCryptography crypto(system);
    env.crypto = &crypto;
    env.endProgram = [] { endProgramNow(); };
    env.startProgram = [](const std::string& program, const std::string& commandLine, int showCommand) {
        return vk::startProgram(program, commandLine, showCommand);
    };
    env.shellOpen = [](const std::string& address, int showCommand) { vk::shellOpen(address, showCommand); };
    env.isNT6OrLater = [] { return systemIsNT6OrLater(); };
    return env;
}

Program::Program(Environment environment)
    : env(std::move(environment)),
      vaultSession(*env.files, vault::vaultPathIn(env.app.folder), &userCollationKey, env.crypto),
      splashWindow(*this),
      entryEditor(*this, *this),
      mainWindow(*this, *this, *this, entryEditor, vaultSession.entries()),
      passwordDialog(*this, *this, *this),
      aboutBox(*this, *this, env.app),
      helpViewer(*this, *this, *this),
      linkLauncher(*this, *this, linkRequest),
      vaultKeyDialog(*this, *this),
      columnChooser(*this, *this),
      generatorDialog(*this, *this, *this) {
    isNT6OrLater = [this] { return env.isNT6OrLater(); };
}

Program::~Program() = default;

void Program::hideMainWindow() { mainWindow.setVisible(false); }
bool Program::saveVault(HWND owner) { return vk::saveVault(*this, owner); }
void Program::applyBranding() { vk::applyBranding(*this); }

void Program::showHelpViewer() {
    helpViewer.load();
    helpViewer.show();
}

void Program::showAboutBox() {
    aboutBox.load();
    aboutBox.show();
}

void Program::closePasswordDialog() { passwordDialog.unload(); }

void Program::visitWebsite() {
    linkRequest = "Website";
    linkLauncher.load();
}

void Program::changeVaultEncryption() {
    vaultKeyDialog.open(vaultSession.format() == vault::VaultFormat::Encrypted
                            ? VaultKeyDialog::Purpose::RemoveEncryption
                            : VaultKeyDialog::Purpose::Encrypt);
}

void Program::changeMasterPassword() { vaultKeyDialog.open(VaultKeyDialog::Purpose::ChangePassword); }

void Program::importEntries(HWND owner) { vk::importEntries(*this, owner); }

void Program::exportEntries(HWND owner) { vk::exportEntries(*this, owner); }

void Program::columnsChosen(std::wstring path, std::string text, const vault::CsvLayout& layout) {
    afterHandlers.post([this, path = std::move(path), text = std::move(text), layout] {
        vk::importEntriesInLayout(*this, mainWindow.hwnd(), path, text, layout);
    });
}

void Program::vaultKeyChangeAsked(VaultKeyDialog::Request request) {
    // Shared: the work a window posts is copied as a whole, and a request holds secrets once.
    auto asked = std::make_shared<VaultKeyDialog::Request>(std::move(request));
    afterHandlers.post([this, asked] { changeVaultKey(*asked); });
}

void Program::changeVaultKey(VaultKeyDialog::Request& request) {
    VaultKeyDialog& dialog = vaultKeyDialog;
    // An encrypted vault's keys take a moment each, during which the dialog paints but takes nothing.
    dialog.showWorking("Checking the password...");
    const bool right = request.current.complete && vk::isMasterPassword(*this, dialog.hwnd(), request.current.text);
    dialog.showPasswordStrength();
    if (!right) {
        dialog.refuseCurrentPassword();
        return dialog.requestDone();
    }
    std::string password = request.current.text;
    WipedWhenDone wipedPassword(password);
    vault::VaultFormat format = request.purpose == VaultKeyDialog::Purpose::Encrypt ? vault::VaultFormat::Encrypted
                                                                                   : vault::VaultFormat::Scrambled;
    if (request.purpose == VaultKeyDialog::Purpose::ChangePassword) {
        NewPassword checked = checkNewPassword(request.newPassword, request.retyped);
        WipedWhenDone wipedNew(checked.password);
        if (!checked.problem.empty()) {
            dialog.refuseNewPassword(checked.problem, checked.emptyBoxes);
            return dialog.requestDone();
        }
        wipeSecret(password);  // before the assignment, which may let go of its buffer
        password = checked.password;
        format = vaultSession.format();
    }
    // The only thing between a stolen copy of an encrypted vault and its entries is this password.
    if (format == vault::VaultFormat::Encrypted && !mayUseWeakPassword(dialog.hwnd(), password, appTitle()))
        return dialog.requestDone();
    dialog.showWorking("Saving the vault...");
    if (vk::saveWithNewKey(*this, dialog.hwnd(), password, format, dialog.doneText())) return dialog.unload();
    dialog.showPasswordStrength();
    dialog.requestDone();
}

void Program::unloadOtherWindows() {
    helpViewer.unload();
    aboutBox.unload();
    generatorDialog.unload();  // before the editor it belongs to
    entryEditor.unload();
    vaultKeyDialog.unload();
    columnChooser.unload();
    splashWindow.unload();
}

void Program::unloadLinkLauncher() {
    if (linkLauncher.isLoaded()) linkLauncher.unload();
}

bool Program::startProgram(const std::string& program, const std::string& commandLine, int showCommand) {
    return env.startProgram(program, commandLine, showCommand);
}

bool Program::fileExists(const std::wstring& path) { return vault::fileExists(*env.files, path); }

}  // namespace vk

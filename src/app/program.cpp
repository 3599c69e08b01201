#include "app/program.h"

#include "gate/strength_meter.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/wipe.h"
#include "app/responsive_cryptography.h"
#include "skin/skin.h"
#include "vault/system_cryptography.h"

namespace vk {

Environment Environment::real() {
    Environment env;
    env.app = readAppInfo();
    env.files = &vault::realFileSystem();
    static vault::SystemCryptography system;
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
    : env_(std::move(environment)),
      vault_(*this, *env_.files, env_.crypto, env_.settings, env_.app.folder),
      splashWindow_(*this, *this),
      entryEditor_(*this, *this),
      mainWindow_(*this, *this, *this, entryEditor_, vault_.vault().entries()),
      passwordDialog_(*this, *this, *this),
      aboutBox_(*this, *this, env_.app),
      helpViewer_(*this, *this, *this),
      linkLauncher_(*this, *this, linkRequest_),
      vaultKeyDialog_(*this, *this),
      columnChooser_(*this, *this),
      generatorDialog_(*this, *this, *this),
      optionsDialog_(*this, *this),
      earlierVersionsDialog_(*this, *this),
      lock_(*this, vault_, passwordDialog_, env_.settings, env_.tickCount) {
    isNT6OrLater = [this] { return env_.isNT6OrLater(); };
}

Program::~Program() = default;

void Program::applyBranding() {
    productName = env_.app.productName;
    companyName = env_.app.companyName;
    companyWebsite = env_.app.comments;
    skinEnabled = true;
}

void Program::hideMainWindow() { mainWindow_.setVisible(false); }

void Program::showVaultFormat(vault::VaultFormat format) {
    mainWindow_.showVaultEncrypted(format == vault::VaultFormat::Encrypted);
}

void Program::showHelpViewer() {
    helpViewer_.load();
    helpViewer_.show();
}

void Program::showAboutBox() {
    aboutBox_.load();
    aboutBox_.show();
}

void Program::closePasswordDialog() { passwordDialog_.unload(); }

void Program::visitWebsite() {
    linkRequest_ = "Website";
    linkLauncher_.load();
}

void Program::changeVaultEncryption() {
    vaultKeyDialog_.open(vault_.vault().format() == vault::VaultFormat::Encrypted
                             ? VaultKeyDialog::Purpose::RemoveEncryption
                             : VaultKeyDialog::Purpose::Encrypt);
}

void Program::changeMasterPassword() { vaultKeyDialog_.open(VaultKeyDialog::Purpose::ChangePassword); }

void Program::askForColumns(const std::wstring& path, vault::CsvText text, const vault::CsvGuess& guess) {
    columnChooser_.open(path, std::move(text), guess);
}

void Program::columnsChosen(std::wstring path, vault::CsvText text, const vault::CsvLayout& layout) {
    afterHandlers_.post([this, path = std::move(path), text = std::move(text), layout] {
        vault_.importInLayout(mainWindow_.hwnd(), path, text, layout);
    });
}

void Program::vaultKeyChangeAsked(VaultKeyDialog::Request request) {
    // Shared: the work a window posts is copied as a whole, and a request holds secrets once.
    auto asked = std::make_shared<VaultKeyDialog::Request>(std::move(request));
    afterHandlers_.post([this, asked] { changeVaultKey(*asked); });
}

void Program::changeVaultKey(VaultKeyDialog::Request& request) {
    VaultKeyDialog& dialog = vaultKeyDialog_;
    if (request.purpose == VaultKeyDialog::Purpose::OpenChangedVault) return openChangedVault(request);
    // An encrypted vault's keys take a moment each, during which the dialog paints but takes nothing.
    dialog.showWorking("Checking the password...");
    const bool right = request.current.complete && vault_.isMasterPassword(dialog.hwnd(), request.current.text);
    dialog.showPasswordStrength();
    if (!right) {
        dialog.refuseCurrentPassword();
        return dialog.requestDone();
    }
    SecretString password = request.current.text;
    vault::VaultFormat format = request.purpose == VaultKeyDialog::Purpose::Encrypt ? vault::VaultFormat::Encrypted
                                                                                   : vault::VaultFormat::Scrambled;
    if (request.purpose == VaultKeyDialog::Purpose::ChangePassword) {
        NewPassword checked = checkNewPassword(request.newPassword, request.retyped);
        if (!checked.problem.empty()) {
            dialog.refuseNewPassword(checked.problem, checked.emptyBoxes);
            return dialog.requestDone();
        }
        password = std::move(checked.password);
        format = vault_.vault().format();
    }
    // The only thing between a stolen copy of an encrypted vault and its entries is this password.
    if (format == vault::VaultFormat::Encrypted && !mayUseWeakPassword(dialog.hwnd(), password, appTitle()))
        return dialog.requestDone();
    dialog.showWorking("Saving the vault...");
    if (vault_.saveWithNewKey(dialog.hwnd(), password, format, dialog.doneText())) return dialog.unload();
    dialog.showPasswordStrength();
    dialog.requestDone();
}

void Program::unloadOtherWindows() {
    helpViewer_.unload();
    aboutBox_.unload();
    generatorDialog_.unload();  // before the editor it belongs to
    entryEditor_.unload();
    vaultKeyDialog_.unload();
    columnChooser_.unload();
    optionsDialog_.unload();
    earlierVersionsDialog_.unload();
    splashWindow_.unload();
}

void Program::report(HWND owner, const std::wstring& text, const std::string& title) {
    messageBox(owner, text, title, MB_OK | MB_ICONINFORMATION);
    // A lock that waited for the box closed it: it holds no secret, and is shown once unlocked.
    if (lock_.waiting()) lock_.tellAfterUnlock(text, title);
}

void Program::closeDialogsForLock() {
    generatorDialog_.unload();  // before the editor it belongs to
    vaultKeyDialog_.unload();
    columnChooser_.unload();
    optionsDialog_.unload();
    earlierVersionsDialog_.unload();
}

void Program::unloadLinkLauncher() {
    if (linkLauncher_.isLoaded()) linkLauncher_.unload();
}

bool Program::startProgram(const std::string& program, const std::string& commandLine, int showCommand) {
    return env_.startProgram(program, commandLine, showCommand);
}

bool Program::fileExists(const std::wstring& path) { return vault::fileExists(*env_.files, path); }

}  // namespace vk

#include "app/program.h"

#include "platform/collation.h"
#include "vault/system_cryptography.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "app/branding.h"
#include "app/responsive_cryptography.h"
#include "app/entry_transfer.h"
#include "app/vault_operations.h"
#include "skin/skin.h"

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

void Program::importInLayout(const std::wstring& path, std::string_view text, const vault::CsvLayout& layout) {
    vk::importEntriesInLayout(*this, mainWindow.hwnd(), path, text, layout);
}

bool Program::isMasterPassword(HWND owner, const std::string& password) {
    return vk::isMasterPassword(*this, owner, password);
}

bool Program::saveWithNewKey(HWND owner, const std::string& password, vault::VaultFormat format,
                             const std::string& done) {
    return vk::saveWithNewKey(*this, owner, password, format, done);
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

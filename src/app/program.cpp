#include "app/program.h"

#include "platform/collation.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "app/branding.h"
#include "app/vault_gate.h"
#include "app/vault_operations.h"
#include "skin/skin.h"

namespace vk {

Environment Environment::real() {
    Environment env;
    env.App = readAppInfo();
    env.files = &vault::realFileSystem();
    env.endProgram = [] { endProgramNow(); };
    env.startProgram = [](const std::string& program, const std::string& commandLine, int showCommand) {
        return vk::startProgram(program, commandLine, showCommand);
    };
    env.shellOpen = [](const std::string& address, int showCommand) { vk::shellOpen(address, showCommand); };
    env.isNT6OrLater = [] { return IsNT6OrLater(); };
    return env;
}

Program::Program(Environment environment)
    : env(std::move(environment)),
      vaultSession(*env.files, vault::vaultPathIn(env.App.Path), &userCollationKey),
      frmSplash(*this),
      frmAdd(*this, *this),
      Form1(*this, *this, *this, frmAdd, vaultSession.entries()),
      frmPass(*this, *this, *this),
      frmAbout(*this, *this, env.App),
      Form8(*this, *this, *this),
      frmWebsite(*this, *this, linkRequest) {
    isNT6OrLater = [this] { return env.isNT6OrLater(); };
}

Program::~Program() = default;

void Program::start() {
    frmSplash.show();
}

void SetStatusText(Program& app, const std::string& text) {
    app.Form1.setStatusText(text);
}

void Program::hideMainWindow() { Form1.setVisible(false); }
void Program::createVault(const std::string& newPassword) { vk::createVault(*this, newPassword); }
void Program::unlockVault(const std::string& masterPassword) { vk::unlockVault(*this, masterPassword); }
void Program::openVault() { vk::openVault(*this); }
bool Program::saveVault(HWND owner) { return vk::saveVault(*this, owner); }
void Program::applyBranding() { vk::applyBranding(*this); }

void Program::showHelpViewer() {
    Form8.load();
    Form8.show();
}

void Program::showAboutBox() {
    frmAbout.load();
    frmAbout.show();
}

void Program::closePasswordDialog() { frmPass.unload(); }

void Program::visitWebsite() {
    linkRequest = "Website";
    frmWebsite.load();
}

void Program::unloadOtherWindows() {
    Form8.unload();
    frmAbout.unload();
    frmAdd.unload();
    frmSplash.unload();
}

void Program::unloadLinkLauncher() {
    if (frmWebsite.isLoaded()) frmWebsite.unload();
}

bool Program::startProgram(const std::string& program, const std::string& commandLine, int showCommand) {
    return env.startProgram(program, commandLine, showCommand);
}

bool Program::fileExists(const std::wstring& path) { return vault::fileExists(*env.files, path); }

}  // namespace vk

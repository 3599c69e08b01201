#include "app/program.h"

#include "platform/collation.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "app/branding.h"
#include "app/vault_operations.h"
#include "skin/skin.h"

namespace vk {

Environment Environment::real() {
    Environment env;
    env.app = readAppInfo();
    env.files = &vault::realFileSystem();
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
      vaultSession(*env.files, vault::vaultPathIn(env.app.folder), &userCollationKey),
      splashWindow(*this),
      entryEditor(*this, *this),
      mainWindow(*this, *this, *this, entryEditor, vaultSession.entries()),
      passwordDialog(*this, *this, *this),
      aboutBox(*this, *this, env.app),
      helpViewer(*this, *this, *this),
      linkLauncher(*this, *this, linkRequest) {
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

void Program::unloadOtherWindows() {
    helpViewer.unload();
    aboutBox.unload();
    entryEditor.unload();
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

#include "app/program.h"

#include "platform/process.h"
#include "platform/shell.h"
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
      frmSplash(*this),
      Form1(*this),
      frmPass(*this),
      frmAdd(*this),
      frmAbout(*this),
      Form8(*this),
      frmWebsite(*this) {}

Program::~Program() = default;

void Program::start() {
    frmSplash.show();
}

}  // namespace vk

#include "platform/shell.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/handles.h"

namespace vk {

bool startCommandLine(const std::string& commandLine, int showCommand) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION process{};
    std::string mutableLine = commandLine;  // CreateProcessA may write into the command line
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    KernelHandle thread(process.hThread);
    KernelHandle handle(process.hProcess);
    return true;
}

void shellOpen(const std::string& address, int showCommand) {
    ShellExecuteA(nullptr, nullptr, address.c_str(), nullptr, nullptr, showCommand);
}

}  // namespace vk

#include "platform/shell.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/handles.h"

namespace vk {

bool startProgram(const std::string& program, const std::string& commandLine, int showCommand) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION process{};
    std::string mutableLine = commandLine;  // CreateProcessA may write into the command line
    if (!CreateProcessA(program.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    KernelHandle thread(process.hThread);
    KernelHandle handle(process.hProcess);
    return true;
}

std::string systemExplorerPath() {
    char folder[MAX_PATH] = "";
    UINT length = GetSystemWindowsDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::string path(folder, length);
    if (path.back() != '\\') path += '\\';
    return path + "explorer.exe";
}

void shellOpen(const std::string& address, int showCommand) {
    ShellExecuteA(nullptr, nullptr, address.c_str(), nullptr, nullptr, showCommand);
}

}  // namespace vk

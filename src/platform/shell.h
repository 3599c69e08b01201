#pragma once
#include <string>

namespace vk {

// Starts `program`, a full path (nothing is searched for), with the whole command line, in the given
// window style, and returns at once; false when it did not start.
bool startProgram(const std::string& program, const std::string& commandLine, int showCommand);

// The full path of the system's own Windows Explorer, in the Windows folder.
std::string systemExplorerPath();

// Asks the shell to open a document or web address with its default program.
void shellOpen(const std::string& address, int showCommand);

}  // namespace vk

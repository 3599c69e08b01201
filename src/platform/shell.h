#pragma once
#include <string>

namespace vk {

// Starts a command line in the given window style and returns at once; false when it did not start.
bool startCommandLine(const std::string& commandLine, int showCommand);

// Asks the shell to open a document or web address with its default program.
void shellOpen(const std::string& address, int showCommand);

}  // namespace vk

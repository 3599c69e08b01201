#pragma once
// The system's own description of an error, as the program tells it to the user.
#include <string>

namespace vk {

// The description of a Win32 error code, without the line break it ends with; "System error N."
// when the system has none.
std::string systemErrorText(unsigned long code);

}  // namespace vk

#pragma once
#include <string>

namespace vk {

// The current date and time in the user's general date format: short date, a space, long time.
std::string generalDateTimeNow();

}  // namespace vk

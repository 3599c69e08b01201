#pragma once
#include <cstdint>
#include <string>

namespace vk {

// The current date and time in the user's general date format: short date, a space, long time.
std::string generalDateTimeNow();
// A moment given in seconds since 1970-01-01 UTC, in the user's time zone and general date format.
std::string generalDateTime(std::int64_t utcSeconds);
// Now, in seconds since 1970-01-01 UTC.
std::int64_t utcSecondsNow();

}  // namespace vk

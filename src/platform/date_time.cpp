#include "platform/date_time.h"

#include <windows.h>

namespace vk {
namespace {

// 100-nanosecond steps from 1601-01-01, where FILETIME counts from, to 1970-01-01.
constexpr std::int64_t kUnixEpochInFileTime = 116444736000000000LL;
constexpr std::int64_t kStepsPerSecond = 10000000LL;

std::string generalDateTimeOf(const SYSTEMTIME& local) {
    char date[128] = "";
    char time[128] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &local, nullptr, time, sizeof time);
    return std::string(date) + " " + time;
}

}  // namespace

std::string generalDateTimeNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return generalDateTimeOf(now);
}

std::string generalDateTime(std::int64_t utcSeconds) {
    const std::int64_t steps = utcSeconds * kStepsPerSecond + kUnixEpochInFileTime;
    FILETIME utc{static_cast<DWORD>(steps & 0xFFFFFFFF), static_cast<DWORD>(steps >> 32)};
    SYSTEMTIME universal, local;
    if (!FileTimeToSystemTime(&utc, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return "?";
    return generalDateTimeOf(local);
}

std::int64_t utcSecondsNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const std::int64_t steps = (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return (steps - kUnixEpochInFileTime) / kStepsPerSecond;
}

}  // namespace vk

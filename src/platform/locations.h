#pragma once
// How an entry's location and the company's web site become something the shell can open.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vk {

bool containsIgnoringCase(std::string_view text, std::string_view part);

// True when the address names a scheme of the web: "http://" or "https://", anywhere in it.
bool hasWebScheme(std::string_view address);

// "http://" in front of a location that looks like a web address (it contains ".edu", "biz",
// "org", ".net", ".com" or "www") and has no scheme; any other location unchanged.
std::string completeLocation(std::string_view location);

// False for a location that explorer could read as something other than one place to open: one
// that begins with "/" (explorer's own options), after any spaces explorer skips (the no-break
// space among them), or holds a double quote or a control character, which no path or web
// address has.
bool isOpenableLocation(std::string_view location);

// One argument of a Windows command line, quoted and escaped where needed, so that
// CommandLineToArgvW and the C runtime give back exactly `argument`.
std::string commandLineArgument(std::string_view argument);

// The command line that opens a location with the system's explorer: "explorer" and the completed
// address as exactly one argument (none for an empty location). Nothing for a location that
// isOpenableLocation refuses.
std::optional<std::string> goToCommandLine(std::string_view location);

// The longest command line Windows passes to a program it starts: 32,767 characters with the
// terminating NUL. A longer one does not start, or starts cut (Wine cuts one of 65,536 or more).
inline constexpr size_t kLongestCommandLine = 32766;

// True when Windows can start a program with the whole of this command line.
bool fitsOnCommandLine(std::string_view commandLine);

// "http://" in front of an address without a scheme.
std::string withWebScheme(std::string_view address);

}  // namespace vk

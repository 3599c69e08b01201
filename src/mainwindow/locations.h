#pragma once
// How an entry's location and the company's web site become something the shell can open.
#include <string>
#include <string_view>

namespace vk {

bool containsIgnoringCase(std::string_view text, std::string_view part);

// True when the address names a scheme of the web: "http://" or "https://", anywhere in it.
bool hasWebScheme(std::string_view address);

// "http://" in front of a location that looks like a web address (it contains ".edu", "biz",
// "org", ".net", ".com" or "www") and has no scheme; any other location unchanged.
std::string completeLocation(std::string_view location);

// The command line that opens a location with the system's explorer. An address with a space
// is quoted, so that a folder such as C:\My Files opens as one place.
std::string goToCommandLine(std::string_view location);

// "http://" in front of an address without a scheme.
std::string withWebScheme(std::string_view address);

}  // namespace vk

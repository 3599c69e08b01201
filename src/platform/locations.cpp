#include "platform/locations.h"

#include <algorithm>

namespace vk {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// What explorer skips before it looks for an option: every character a wide "is space" test
// accepts, as a single-byte code page such as Windows-1252 holds them (tab to carriage return,
// the separators 0x1C to 0x1F, the space and the no-break space 0xA0).
bool isLeadingSpace(char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte == ' ' || byte == 0xA0 || (byte >= 0x09 && byte <= 0x0D) || (byte >= 0x1C && byte <= 0x1F);
}

}  // namespace

bool containsIgnoringCase(std::string_view text, std::string_view part) {
    auto found = std::search(text.begin(), text.end(), part.begin(), part.end(),
                             [](char a, char b) { return lower(a) == lower(b); });
    return found != text.end() || part.empty();
}

bool hasWebScheme(std::string_view address) {
    return containsIgnoringCase(address, "https://") || containsIgnoringCase(address, "http://");
}

std::string completeLocation(std::string_view location) {
    static constexpr std::string_view kWebMarks[] = {".edu", "biz", "org", ".net", ".com", "www"};
    bool looksLikeWeb = std::any_of(std::begin(kWebMarks), std::end(kWebMarks),
                                    [&](std::string_view mark) { return containsIgnoringCase(location, mark); });
    if (looksLikeWeb && !hasWebScheme(location)) return "http://" + std::string(location);
    return std::string(location);
}

bool isOpenableLocation(std::string_view location) {
    auto firstVisible = std::find_if_not(location.begin(), location.end(), isLeadingSpace);
    if (firstVisible != location.end() && *firstVisible == '/') return false;
    return std::none_of(location.begin(), location.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte == '"' || byte < 0x20 || byte == 0x7F;
    });
}

std::string commandLineArgument(std::string_view argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos)
        return std::string(argument);
    // Inside quotes a backslash is literal, except in a run that ends at a quote: that run is
    // doubled, and a quote of the argument's own gets one backslash more.
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        quoted.push_back(c);
        backslashes = 0;
    }
    quoted.append(2 * backslashes, '\\');
    quoted.push_back('"');
    return quoted;
}

std::optional<std::string> goToCommandLine(std::string_view location) {
    if (!isOpenableLocation(location)) return std::nullopt;
    std::string address = completeLocation(location);
    return "explorer " + (address.empty() ? address : commandLineArgument(address));
}

bool fitsOnCommandLine(std::string_view commandLine) {
    // A byte of the code page is at most one character of the wide command line Windows builds.
    return commandLine.size() <= kLongestCommandLine;
}

std::string withWebScheme(std::string_view address) {
    if (hasWebScheme(address)) return std::string(address);
    return "http://" + std::string(address);
}

}  // namespace vk

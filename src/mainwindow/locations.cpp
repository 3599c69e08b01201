#include "mainwindow/locations.h"

#include <algorithm>

namespace vk {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

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

std::string goToCommandLine(std::string_view location) {
    std::string address = completeLocation(location);
    bool quote = address.find(' ') != std::string::npos && address.find('"') == std::string::npos;
    return "explorer " + (quote ? "\"" + address + "\"" : address);
}

std::string withWebScheme(std::string_view address) {
    if (hasWebScheme(address)) return std::string(address);
    return "http://" + std::string(address);
}

}  // namespace vk

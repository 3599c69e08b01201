#include "platform/parse.h"

namespace vk {
namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<int> parseWholeNumber(std::string_view text, int lowest, int highest) {
    text = trimmed(text);
    // Nine digits cannot overflow an int; leading zeros beyond them say nothing more.
    while (text.size() > 1 && text.front() == '0') text.remove_prefix(1);
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < lowest || value > highest) return std::nullopt;
    return value;
}

std::optional<bool> parseSwitch(std::string_view text) {
    text = trimmed(text);
    if (text == "1") return true;
    if (text == "0") return false;
    return std::nullopt;
}

}  // namespace vk

#include "passwords/front_coded.h"

#include <algorithm>
#include <stdexcept>

namespace vk::passwords {

namespace {

bool isMark(char c) { return c >= 'A' && c <= 'Z'; }

// Calls `take` with each entry in turn.
template <typename Take>
void forEachFrontCoded(std::string_view coded, Take take) {
    std::string entry;
    size_t at = 0;
    while (at < coded.size()) {
        if (!isMark(coded[at])) throw std::invalid_argument("a front-coded entry must start with its mark");
        const size_t shared = static_cast<size_t>(coded[at] - 'A');
        const size_t restBegins = ++at;
        while (at < coded.size() && !isMark(coded[at])) ++at;
        if (shared > entry.size() || at == restBegins)
            throw std::invalid_argument("a front-coded entry shares more than the entry before it has");
        entry.resize(shared);
        entry.append(coded.substr(restBegins, at - restBegins));
        take(entry);
    }
}

}  // namespace

std::vector<std::string> decodeFrontCoded(std::string_view coded) {
    std::vector<std::string> entries;
    forEachFrontCoded(coded, [&](const std::string& entry) { entries.push_back(entry); });
    return entries;
}

SortedEntries::SortedEntries(std::string_view coded) {
    forEachFrontCoded(coded, [&](const std::string& entry) {
        text_ += entry;
        ends_.push_back(static_cast<std::uint32_t>(text_.size()));
        longest_ = std::max(longest_, entry.size());
    });
}

std::string_view SortedEntries::operator[](std::size_t index) const {
    const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(text_).substr(begin, ends_[index] - begin);
}

std::optional<std::size_t> SortedEntries::indexOf(std::string_view entry) const {
    std::size_t low = 0, high = size();  // the entry, if held, lies in [low, high)
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if ((*this)[middle] < entry)
            low = middle + 1;
        else
            high = middle;
    }
    if (low < size() && (*this)[low] == entry) return low;
    return std::nullopt;
}

}  // namespace vk::passwords

#include "passwords/front_coded.h"

#include <stdexcept>

namespace vk::passwords {

namespace {

bool isMark(char c) { return c >= 'A' && c <= 'Z'; }

}  // namespace

std::vector<std::string> decodeFrontCoded(std::string_view coded) {
    std::vector<std::string> entries;
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
        entries.push_back(entry);
    }
    return entries;
}

}  // namespace vk::passwords

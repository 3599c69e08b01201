#pragma once
// Lists the program carries sorted and front-coded (see scripts/lib/make-password-lists): each entry
// starts with a capital letter that says how many characters it shares with the entry before it
// ('A' none, 'B' one...), then the rest of it. No entry holds a capital letter.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vk::passwords {

// The entries, in their order. Throws std::invalid_argument on a list that is not front-coded so.
std::vector<std::string> decodeFrontCoded(std::string_view coded);

// A long sorted list decoded once into one block of text, so that its entries need no string each.
class SortedEntries {
public:
    // Throws as decodeFrontCoded does.
    explicit SortedEntries(std::string_view coded);

    // Where the list holds the entry; none when it does not.
    std::optional<std::size_t> indexOf(std::string_view entry) const;
    std::size_t size() const { return ends_.size(); }
    std::size_t longest() const { return longest_; }
    std::string_view operator[](std::size_t index) const;

private:
    std::string text_;
    std::vector<std::uint32_t> ends_;  // where each entry ends in text_
    std::size_t longest_ = 0;
};

}  // namespace vk::passwords

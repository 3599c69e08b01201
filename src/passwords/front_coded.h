#pragma once
// Lists the program carries sorted and front-coded (see scripts/lib/make-password-lists): each entry
// starts with a capital letter that says how many characters it shares with the entry before it
// ('A' none, 'B' one...), then the rest of it. No entry holds a capital letter.
#include <string>
#include <string_view>
#include <vector>

namespace vk::passwords {

// The entries, in their order. Throws std::invalid_argument on a list that is not front-coded so.
std::vector<std::string> decodeFrontCoded(std::string_view coded);

}  // namespace vk::passwords

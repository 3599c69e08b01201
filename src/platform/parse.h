#pragma once
// Numbers and switches as settings store them and people type them: one reading of each, so that
// every setting and every box reads the same text the same way.
#include <optional>
#include <string_view>

namespace vk {

// A whole number written plainly (digits only, spaces and tabs around them ignored) from `lowest`
// to `highest`; nothing for any other text.
std::optional<int> parseWholeNumber(std::string_view text, int lowest, int highest);

// An on/off value: "1" or "0", spaces and tabs around it ignored; nothing when it says neither.
std::optional<bool> parseSwitch(std::string_view text);

}  // namespace vk

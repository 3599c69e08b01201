// Numbers and switches as the settings and the boxes read them: one reading for all.
#include <gtest/gtest.h>

#include <optional>
#include <string_view>

#include "platform/parse.h"

namespace vk {
namespace {

TEST(Parse, AWholeNumberIsDigitsWithinItsRangeAndASwitchIsOneOrZero) {
    const struct {
        std::string_view text;
        std::optional<int> number;  // from 0 to 1440
        std::optional<bool> on;
    } cases[] = {
        {"5", 5, std::nullopt},
        {"1", 1, true},
        {"0", 0, false},
        {" 1\t", 1, true},  // retyped by hand
        {"0005", 5, std::nullopt},
        {"1440", 1440, std::nullopt},
        {"1441", std::nullopt, std::nullopt},
        {"-1", std::nullopt, std::nullopt},
        {"+5", std::nullopt, std::nullopt},
        {"1.0", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"banana", std::nullopt, std::nullopt},
        {"99999999999999999999", std::nullopt, std::nullopt},  // never overflows into the range
        {"4294967301", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        EXPECT_EQ(parseWholeNumber(c.text, 0, 1440), c.number);
        EXPECT_EQ(parseSwitch(c.text), c.on);
    }
}

}  // namespace
}  // namespace vk

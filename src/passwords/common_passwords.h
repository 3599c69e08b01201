#pragma once
// The 49,233 common passwords of the npm package @zxcvbn-ts/language-common 4.1.3 (MIT licence), most
// common first: what an attacker tries first.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vk::passwords {

// The password's rank, 1 for the most common; none when it is not among them. The list is in lower
// case: compare a password's lower-case form.
std::optional<int> commonPasswordRank(std::string_view password);

// The list as the program carries it: sorted and front-coded (see front_coded.h), and each
// password's rank in the same order.
extern const std::size_t kCommonPasswordCount;
extern const char kCommonPasswordsFrontCoded[];
extern const std::uint16_t kCommonPasswordRanks[];

}  // namespace vk::passwords

#include "passwords/common_passwords.h"

#include <algorithm>
#include <string>
#include <vector>

#include "passwords/front_coded.h"

namespace vk::passwords {

namespace {

const std::vector<std::string>& commonPasswords() {
    static const std::vector<std::string> passwords = decodeFrontCoded(kCommonPasswordsFrontCoded);
    return passwords;
}

}  // namespace

std::optional<int> commonPasswordRank(std::string_view password) {
    const std::vector<std::string>& passwords = commonPasswords();
    auto found = std::lower_bound(passwords.begin(), passwords.end(), password, std::less<>());
    if (found == passwords.end() || *found != password) return std::nullopt;
    const auto index = static_cast<size_t>(found - passwords.begin());
    if (index >= kCommonPasswordCount) return std::nullopt;
    return kCommonPasswordRanks[index];
}

}  // namespace vk::passwords

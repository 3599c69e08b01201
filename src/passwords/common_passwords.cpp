#include "passwords/common_passwords.h"

#include "passwords/front_coded.h"

namespace vk::passwords {

namespace {

const SortedEntries& commonPasswords() {
    static const SortedEntries passwords(kCommonPasswordsFrontCoded);
    return passwords;
}

}  // namespace

std::optional<int> commonPasswordRank(std::string_view password) {
    const std::optional<std::size_t> index = commonPasswords().indexOf(password);
    if (!index || *index >= kCommonPasswordCount) return std::nullopt;
    return kCommonPasswordRanks[*index];
}

}  // namespace vk::passwords

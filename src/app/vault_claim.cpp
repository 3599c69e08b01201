#include "app/vault_claim.h"

#include "vault/vault_store.h"

namespace vk {

std::optional<RunningCopy> claimVault(vault::FileSystem& files, const vault::Path& folder) {
    RunningCopy copy(vault::vaultIdentity(files, vault::vaultPathIn(folder)));
    if (!copy.another()) return copy;
    copy.bringAnotherForward();
    return std::nullopt;
}

}  // namespace vk

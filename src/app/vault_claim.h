#pragma once
// One vault, one running copy of the program.
#include <optional>

#include "platform/running_copy.h"
#include "vault/file_system.h"

namespace vk {

// What a running copy holds on its vault for as long as it runs.
struct VaultClaim {
    // The vault's final path, however it is spelled.
    RunningCopy byPath;
    // The file it was at start, by any of its names; none while there is no vault yet.
    std::optional<RunningCopy> byFile;
};

// Claims the vault in `folder` for this copy, by its path and by its file, so that a copy started
// from another name of the same file (a hard link) finds it too. When the vault is not free, nothing is returned and this copy must end
// without touching it: a running copy of the program that holds it is brought to the front, and
// for any other holder the user is told.
std::optional<VaultClaim> claimVault(vault::FileSystem& files, const vault::Path& folder);

// The vault's path as a short key, the same for every spelling of it (letter case, links): what
// the claim holds, and what the settings remember a vault by.
std::wstring vaultPathKey(vault::FileSystem& files, const vault::Path& vaultPath);

}  // namespace vk

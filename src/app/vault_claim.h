#pragma once
// One vault, one running copy of the program.
#include <optional>

#include "platform/running_copy.h"
#include "vault/file_system.h"

namespace vk {

// Claims the vault in `folder` for this copy, by the vault's own identity (however the path is
// spelled). When another copy already runs on it, that copy is brought to the front and nothing
// is returned: this copy must end without touching the vault.
std::optional<RunningCopy> claimVault(vault::FileSystem& files, const vault::Path& folder);

}  // namespace vk

#pragma once
// One vault, one running copy of the program.
#include <optional>

#include "platform/running_copy.h"
#include "vault/file_system.h"

namespace vk {

// Claims the vault in `folder` for this copy, by the vault's own identity (however the path is
// spelled). When the vault is not free, nothing is returned and this copy must end without
// touching it: a running copy of the program that holds it is brought to the front, and for any
// other holder the user is told.
std::optional<RunningCopy> claimVault(vault::FileSystem& files, const vault::Path& folder);

}  // namespace vk

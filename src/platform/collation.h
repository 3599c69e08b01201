#pragma once
#include <string>
#include <string_view>

#include "platform/wipe.h"

namespace vk {

// Appends to `keys` the user's locale's sort key for an ANSI text, letter case ignored: comparing
// two keys bytewise orders the texts as CompareStringA with NORM_IGNORECASE does, at a fraction of
// the cost when the same texts are compared many times, as a sort does.
void userCollationKey(std::string_view text, SecretString& keys);

}  // namespace vk

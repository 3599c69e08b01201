#pragma once
// What the vault file can carry. Its fields are not escaped, so some texts would come back
// changed or break the file; the editor and the password dialog refuse them with these messages.
#include <string>
#include <string_view>

#include "vault/vault_format.h"

namespace vk::vault {

// Why a master password cannot be stored (a line break or the character of code 141), or empty.
std::string masterPasswordProblem(std::string_view password);

// Why an entry cannot be stored unchanged, or empty when it can. Checks, per field: "|||" inside
// it, a line break, the character of code 141; a Username or Password ending in "|"; a Password
// or Website/Location beginning with "|".
std::string entryProblem(const Entry& entry);

// The message for a field holding characters the system's code page cannot hold.
std::string outsideCodePageProblem(std::string_view fieldName);

}  // namespace vk::vault

#include "app/vault_claim.h"

#include <windows.h>

#include "vault/vault_store.h"

namespace vk {
namespace {

// The vault's identity as a claim's key: its final path, letter case ignored as the file system
// ignores it, hashed, since a path may be longer than an object's name and holds backslashes.
std::wstring claimKey(vault::FileSystem& files, const vault::Path& folder) {
    vault::Path identity = vault::vaultIdentity(files, vault::vaultPathIn(folder));
    if (!identity.empty()) CharUpperBuffW(identity.data(), static_cast<DWORD>(identity.size()));
    vault::Fingerprint print = vault::fingerprintOf(
        std::string_view(reinterpret_cast<const char*>(identity.data()), identity.size() * sizeof(wchar_t)));
    wchar_t key[40];
    wsprintfW(key, L"%08lX%08lX-%lu", static_cast<unsigned long>(print.hash >> 32),
              static_cast<unsigned long>(print.hash & 0xFFFFFFFFu), static_cast<unsigned long>(print.size));
    return key;
}

}  // namespace

std::optional<RunningCopy> claimVault(vault::FileSystem& files, const vault::Path& folder) {
    RunningCopy copy(claimKey(files, folder));
    if (!copy.another()) return copy;
    copy.bringAnotherForward();
    return std::nullopt;
}

}  // namespace vk

#include "app/vault_claim.h"

#include <windows.h>

#include <cwchar>
#include <iterator>

#include "platform/app_info.h"
#include "platform/message_box.h"
#include "vault/vault_store.h"

namespace vk {

// The vault's final path, letter case ignored as the file system ignores it, hashed, since a path
// may be longer than an object's name and holds backslashes.
std::wstring vaultPathKey(vault::FileSystem& files, const vault::Path& vaultPath) {
    vault::Path identity = vault::vaultIdentity(files, vaultPath);
    if (!identity.empty()) CharUpperBuffW(identity.data(), static_cast<DWORD>(identity.size()));
    vault::Fingerprint print = vault::fingerprintOf(
        std::string_view(reinterpret_cast<const char*>(identity.data()), identity.size() * sizeof(wchar_t)));
    wchar_t key[40];
    wsprintfW(key, L"%08lX%08lX-%lu", static_cast<unsigned long>(print.hash >> 32),
              static_cast<unsigned long>(print.hash & 0xFFFFFFFFu), static_cast<unsigned long>(print.size));
    return key;
}

namespace {

// The vault file's identity as a claim's key: one key for all of its names (hard links), which a
// path does not give.
std::wstring fileKey(const FileIdentity& file) {
    wchar_t key[40];
    std::swprintf(key, std::size(key), L"file-%08lX-%016llX", file.volume, file.index);
    return key;
}

// Whatever holds the vault, a start never ends without a word: a copy of the program is brought
// forward, and for anything else the user learns why nothing opens.
std::nullopt_t handOver(const RunningCopy& claim, const vault::Path& vaultPath) {
    if (!claim.bringHolderForward())
        messageBox(nullptr,
                   L"Another program is using this vault, or holds its lock, so Vellumkeep cannot open it:\r\n\r\n" +
                       vaultPath + L"\r\n\r\nClose that program and start Vellumkeep again.",
                   readAppInfo().title, MB_OK | MB_ICONERROR);
    return std::nullopt;
}

}  // namespace

std::optional<VaultClaim> claimVault(vault::FileSystem& files, const vault::Path& folder) {
    const vault::Path vaultPath = vault::vaultPathIn(folder);
    VaultClaim claim{RunningCopy(vaultPathKey(files, vaultPath)), std::nullopt};
    if (!claim.byPath.held()) return handOver(claim.byPath, vaultPath);
    // The file as it is at start, claimed while this copy runs: a save puts a new file in its place,
    // which its other names (hard links) no longer reach.
    const std::optional<FileIdentity> file = files.identity(vaultPath);
    if (!file) return claim;
    claim.byFile.emplace(fileKey(*file));
    if (!claim.byFile->held()) return handOver(*claim.byFile, vaultPath);
    return claim;
}

}  // namespace vk

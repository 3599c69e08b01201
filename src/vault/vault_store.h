#pragma once
// The vault file's operations on disk, without any window: each one forms its work from the
// path it is given, opens the file, does its work and closes it before it returns.
#include <string>
#include <string_view>
#include <vector>

#include "vault/file_system.h"
#include "vault/vault_format.h"

namespace vk::vault {

inline constexpr std::string_view kVaultFileName = "data.enc";

// The executable's folder followed by a separator and "data.enc".
Path vaultPathIn(const Path& folder);
// Where a save writes before it replaces the vault: "data.enc.tmp" beside it. A name of its own,
// so that a copy left by a crash is simply replaced by the next save.
Path temporaryPathFor(const Path& vaultPath);

// True when an ordinary file exists at `path`: the name the directory listing returns for it
// equals, ignoring letter case, the text after the path's last separator. Every error is false.
bool fileExists(FileSystem& files, const Path& path);

class VaultStore {
public:
    VaultStore(FileSystem& files, Path path) : files_(files), path_(std::move(path)) {}
    const Path& path() const { return path_; }

    // Creates a Fresh vault (one empty line) when fileExists says there is none; a file that is
    // there but not found (hidden) only gains an empty line at its end.
    IoResult ensureVaultFile();
    // Line 1 of the vault, unscrambled.
    IoResult readStoredPassword(std::string& password);
    // Every entry, in file order.
    IoResult loadEntries(std::vector<Entry>& entries);
    IoResult loadEntries(EntryTable& entries);
    // Writes a vault that holds only the master password.
    IoResult createVault(std::string_view masterPassword);
    // Replaces the vault with already built content (see SavedVaultBuilder), atomically.
    IoResult saveVault(std::string_view content);

private:
    FileSystem& files_;
    Path path_;
};

}  // namespace vk::vault

#pragma once
// The vault file's operations on disk, without any window: each one forms its work from the
// path it is given, opens the file, does its work and closes it before it returns.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vault/file_system.h"
#include "vault/fingerprint.h"
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

// The vault's identity: the path of the file itself, links followed (while there is no file yet,
// its folder's), in the file system's own spelling. Two paths of one vault give the same text,
// up to letter case.
Path vaultIdentity(FileSystem& files, const Path& vaultPath);

class VaultStore {
public:
    VaultStore(FileSystem& files, Path path) : files_(files), path_(std::move(path)) {}
    const Path& path() const { return path_; }

    // Creates a Fresh vault (one empty line) when nothing is there; a vault that is there, hidden
    // or not, is left as it is.
    IoResult ensureVaultFile();
    // The vault's bytes, creating a Fresh vault first when there is none.
    IoResult read(std::string& bytes);
    // The vault's bytes when a file is there (`there`); nothing is made when there is none.
    IoResult readIfThere(std::string& bytes, bool& there);
    // Every entry, in file order.
    IoResult loadEntries(EntryTable& entries);
    // Replaces the vault with new content (see VaultContentWriter), atomically. The new copy is
    // written beside the file itself, so that a vault that is a link stays one.
    IoResult saveVault(const ContentSource& content);
    IoResult saveVault(std::string_view content);

    // The vault as the last read or write of this store saw it; empty before any.
    const std::optional<Fingerprint>& seen() const { return seen_; }
    // Whether the file now differs from `known`. A vault that is no longer there differs.
    IoResult changedSince(const Fingerprint& known, bool& changed);

private:
    // The vault's bytes, without taking them as seen.
    IoResult readVaultFile(std::string& bytes);

    FileSystem& files_;
    Path path_;
    std::optional<Fingerprint> seen_;
};

}  // namespace vk::vault

#pragma once
// Earlier versions of the vault: copies of the file as it was before a save wrote over it, kept in
// a folder beside the file itself, named after it ("data.enc.versions"), each named by the time it
// was kept. A copy is the file's own bytes: a version of an encrypted vault stays encrypted, one of
// a scrambled vault stays scrambled. No window code.
#include <cstdint>
#include <string>
#include <vector>

#include "vault/file_system.h"

namespace vk::vault {

// Seconds since 1970-01-01 00:00 UTC.
using Seconds = std::int64_t;

struct KeptVersion {
    Path path;
    Seconds keptAt = 0;
    unsigned sequence = 1;  // versions kept within the same second count on from 1
};

// The versions folder of the vault file at `vaultFile` (the file itself, links followed).
Path versionsFolderFor(const Path& vaultFile);
// A version's file name: its time in UTC, so that copies of the program in other time zones (two
// computers sharing a synced folder) name and order them alike, e.g. "2026-06-12 08-04-28 UTC.enc",
// and "... UTC (2).enc" for the second within that second.
Path versionFileName(Seconds keptAt, unsigned sequence);
// The time and sequence of a version's file name; false for any other name, which is never a version.
bool parseVersionFileName(const Path& name, Seconds& keptAt, unsigned& sequence);

class VaultVersions {
public:
    static constexpr Seconds kSessionInterval = 60 * 60;  // a version an hour, at most, per session
    static constexpr int kMostKept = 100;

    explicit VaultVersions(FileSystem& files) : files_(files) {}
    VaultVersions(const VaultVersions&) = delete;
    VaultVersions& operator=(const VaultVersions&) = delete;

    // The versions in `folder`, newest first; none when there is no folder.
    IoResult list(const Path& folder, std::vector<KeptVersion>& versions);
    // Whether a save at `now` keeps the vault file as a version first: when none is kept, when the
    // newest is older than an hour, or when another session (another run of the program, another
    // computer) made it. So a session of edits costs one version, and the vault as it was when
    // this session began is always one of them.
    bool due(const std::vector<KeptVersion>& versions, Seconds now) const;
    // Copies the vault file into `folder` as the version of `now`, atomically (a kill leaves no
    // half copy), then keeps only the newest `count`; `kept` says whether the copy was made, even
    // when an old version could not be removed after it.
    IoResult keep(const Path& vaultFile, const Path& folder, Seconds now, int count, bool& kept);
    // Removes all but the newest `count` versions.
    IoResult keepNewest(const Path& folder, int count);
    // Writes a version's content anew over it, atomically.
    IoResult rewrite(const Path& version, const ContentSource& content);

private:
    bool madeHere(const Path& path) const;
    // Removes what a version's copy killed on its way left in the folder (the system removes it,
    // except in the moment between its making and its marking).
    void removeLeftovers(const Path& folder);

    FileSystem& files_;
    std::vector<Path> madeHere_;  // the versions this session kept
};

}  // namespace vk::vault

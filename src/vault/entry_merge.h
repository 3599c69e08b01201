#pragma once
// The three-way merge of two copies of one vault that were changed apart (two computers sharing a
// synced folder): the base is the vault as this copy last read or wrote it, "theirs" the file as
// it is now, "ours" the list in memory.
//
// Entries have no identity in the file, only their three fields, so the merge compares them by
// value and counts repeats: for each distinct entry, b, o and t are how often the base, ours and
// theirs hold it, and each side changed that count by o - b and t - b. The merge keeps
//   - the one change when only one side changed the count (or both changed it alike);
//   - the larger when both added, or both removed (they most likely added or removed the same ones:
//     nothing is removed twice, nothing doubled);
//   - both changes when one side added and the other removed.
// The result depends only on the three counts, the same whichever side is "ours": merging A's
// change into B's file and B's into A's gives the same entries.
//
// A changed entry is, by value, the old one removed and the new one added, so "changed on one
// side" needs no identity to come out right. Identity matters only for telling the user, and for
// placing an entry: a side changed a base entry when it removed it and added one that agrees with
// it in two of the three fields (a new password for the same username and site, say); each removed
// entry is paired with the first such added one, in that side's order. Changed differently on both
// sides, both versions stay, side by side; deleted on one side and changed on the other, the
// change stays. Both are reported.
#include <cstddef>
#include <vector>

#include "vault/vault_format.h"

namespace vk::vault {

// Where an entry of the merge comes from: our list or their file, by its place there.
struct MergedEntry {
    enum class From { Ours, Theirs } from;
    size_t index;
    friend bool operator==(const MergedEntry&, const MergedEntry&) = default;
};

// An entry of the base that both sides touched: changed on both sides into two different entries,
// or deleted on one (no entry) and changed on the other.
struct MergeConflict {
    EntryView base;
    const EntryView* ours;    // null: deleted here
    const EntryView* theirs;  // null: deleted there
};

struct EntryMerge {
    // The merged entries: ours in our order, with theirs in the places of the entries they change
    // (right after our own change of the same entry), and theirs added at the end, in their order.
    std::vector<MergedEntry> entries;
    // Pointing into the `ours` and `theirs` given to the merge.
    std::vector<MergeConflict> conflicts;
    // Whether the merge holds just what "theirs" holds: then it is their file, and nothing need
    // be written.
    bool sameAsTheirs = false;
};

EntryMerge mergeEntries(const std::vector<EntryView>& base, const std::vector<EntryView>& theirs,
                        const std::vector<EntryView>& ours);

// Their entries in their order, each taken from ours where ours holds the same entry (so that it
// keeps its identity in the list): a file read again, when nothing here was changed.
std::vector<MergedEntry> inTheirOrder(const std::vector<EntryView>& theirs, const std::vector<EntryView>& ours);

}  // namespace vk::vault

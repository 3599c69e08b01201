// The three-way merge of the list in memory with the vault file that another computer changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "vault/entry_merge.h"

namespace vk::vault {
static void PrintTo(const Entry& e, std::ostream* out) {
    *out << "{" << e.username << ", " << e.password << ", " << e.location << "}";
}
}  // namespace vk::vault

namespace vk::vault {
namespace {

using Entries = std::vector<Entry>;
// A conflict as its three entries; an empty username stands for "deleted on that side".
using Conflict = std::tuple<Entry, Entry, Entry>;

const Entry a{"alice", "pw1", "mail"}, a2{"alice", "pw2", "mail"}, a3{"alice", "pw3", "mail"};
const Entry alicia{"alicia", "pw1", "mail"};  // a's username changed
const Entry b{"bob", "x", "bank"}, c{"carol", "y", "shop"}, none{};

std::vector<EntryView> views(const Entries& entries) { return {entries.begin(), entries.end()}; }

struct Merged {
    Entries entries;
    std::vector<Conflict> conflicts;
    bool sameAsTheirs = false;
};

Merged merged(const Entries& base, const Entries& theirs, const Entries& ours) {
    const std::vector<EntryView> baseViews = views(base), theirViews = views(theirs), ourViews = views(ours);
    const EntryMerge merge = mergeEntries(baseViews, theirViews, ourViews);
    Merged result;
    result.sameAsTheirs = merge.sameAsTheirs;
    for (const MergedEntry& entry : merge.entries)
        result.entries.push_back(entry.from == MergedEntry::From::Ours ? ours.at(entry.index) : theirs.at(entry.index));
    auto entryOf = [](const EntryView* view) { return view ? view->toEntry() : Entry{}; };
    for (const MergeConflict& conflict : merge.conflicts)
        result.conflicts.emplace_back(conflict.base.toEntry(), entryOf(conflict.ours), entryOf(conflict.theirs));
    return result;
}

Entries sorted(Entries entries) {
    std::sort(entries.begin(), entries.end(), [](const Entry& x, const Entry& y) {
        return std::tie(x.username, x.password, x.location) < std::tie(y.username, y.password, y.location);
    });
    return entries;
}

struct MergeCase {
    const char* name;
    Entries base, theirs, ours;
    Entries expected;  // in the order the merge gives
    std::vector<Conflict> conflicts;
};

TEST(EntryMerge, KeepsEveryChangeOfEitherSideAndIsTheSameWhicheverSideMerges) {
    const MergeCase cases[] = {
        {"nothing changed", {a, b}, {a, b}, {a, b}, {a, b}, {}},
        {"add/add", {a}, {a, b}, {a, c}, {a, c, b}, {}},
        {"the same added on both sides once", {a}, {a, b}, {b, a}, {b, a}, {}},
        {"delete/unchanged", {a, b, c}, {a, c}, {a, b, c}, {a, c}, {}},
        {"change/unchanged, in its place", {a, b}, {a2, b}, {a, b}, {a2, b}, {}},
        {"a changed username is a change too", {b, a}, {b, alicia}, {b, a}, {b, alicia}, {}},
        {"change/change: both, side by side", {a, b}, {a3, b}, {a2, b}, {a2, a3, b}, {{a, a2, a3}}},
        {"change/change alike", {a, b}, {b, a2}, {a2, b}, {a2, b}, {}},
        {"delete/change: the change stays", {a, b}, {b}, {a2, b}, {a2, b}, {{a, a2, none}}},
        {"delete/delete", {a, b}, {b}, {b}, {b}, {}},
        {"repeats: one copy deleted, another added", {a, a, b}, {a, b}, {a, a, b, b}, {a, b, b}, {}},
        {"repeats: the same copy deleted on both sides", {a, a}, {a}, {a}, {a}, {}},
        {"repeats: added there, deleted here", {a}, {a, a}, {}, {a}, {}},
        {"repeats: one of two copies changed", {a, a}, {a, a}, {a2, a}, {a2, a}, {}},
        {"empty base", {}, {a}, {b}, {b, a}, {}},
        {"everything deleted there", {a, b}, {}, {a, b}, {}, {}},
        {"everything deleted there, one changed here", {a, b}, {}, {a2, b}, {a2}, {{a, a2, none}}},
        {"all empty", {}, {}, {}, {}, {}},
    };
    for (const MergeCase& test : cases) {
        SCOPED_TRACE(test.name);
        const Merged forward = merged(test.base, test.theirs, test.ours);
        EXPECT_EQ(forward.entries, test.expected);
        EXPECT_EQ(forward.conflicts, test.conflicts);
        EXPECT_EQ(forward.sameAsTheirs, sorted(test.expected) == sorted(test.theirs));
        // The other computer merging: the same entries, the same conflicts seen from its side.
        const Merged backward = merged(test.base, test.ours, test.theirs);
        EXPECT_EQ(sorted(backward.entries), sorted(test.expected));
        std::vector<Conflict> mirrored;
        for (const auto& [base, ours, theirs] : test.conflicts) mirrored.emplace_back(base, theirs, ours);
        EXPECT_EQ(backward.conflicts, mirrored);
    }
}

}  // namespace
}  // namespace vk::vault

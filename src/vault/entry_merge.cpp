#include "vault/entry_merge.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace vk::vault {
namespace {

size_t combined(size_t seed, std::string_view text) {
    return seed ^ (std::hash<std::string_view>{}(text) + 0x9e3779b9u + (seed << 6) + (seed >> 2));
}

struct EntryHash {
    size_t operator()(const EntryView& entry) const {
        return combined(combined(combined(0, entry.username), entry.password), entry.location);
    }
};

// How often the base, ours and theirs hold one entry, and how many of it the merge still places.
struct Counts {
    long base = 0, ours = 0, theirs = 0;
    long left = 0;
};

// The rule of the header, for one entry's counts.
long mergedCount(const Counts& counts) {
    const long ours = counts.ours - counts.base, theirs = counts.theirs - counts.base;
    if ((ours > 0 && theirs > 0) || (ours < 0 && theirs < 0))
        return counts.base + (std::labs(ours) >= std::labs(theirs) ? ours : theirs);
    return counts.base + ours + theirs;
}

// Each distinct entry numbered once: the rest of the merge works on numbers, not on texts.
using Number = std::uint32_t;
struct Numbered {
    std::vector<Number> base, theirs, ours;
    std::vector<Counts> counts;  // by number
};

Numbered numbered(const std::vector<EntryView>& base, const std::vector<EntryView>& theirs,
                  const std::vector<EntryView>& ours) {
    std::unordered_map<EntryView, Number, EntryHash> numbers;
    numbers.reserve(base.size() + theirs.size() / 8 + ours.size() / 8 + 16);
    Numbered result;
    auto side = [&](const std::vector<EntryView>& entries, std::vector<Number>& out, long Counts::*count) {
        out.reserve(entries.size());
        for (const EntryView& entry : entries) {
            const Number number = numbers.try_emplace(entry, static_cast<Number>(numbers.size())).first->second;
            if (number == result.counts.size()) result.counts.emplace_back();
            ++(result.counts[number].*count);
            out.push_back(number);
        }
    };
    side(base, result.base, &Counts::base);
    side(theirs, result.theirs, &Counts::theirs);
    side(ours, result.ours, &Counts::ours);
    return result;
}

// Two of an entry's three fields, as a change of the third keeps them.
struct FieldPair {
    int kept;  // the field that is not part of the pair
    std::string_view a, b;
    friend bool operator==(const FieldPair&, const FieldPair&) = default;
};
struct FieldPairHash {
    size_t operator()(const FieldPair& pair) const {
        return combined(combined(static_cast<size_t>(pair.kept), pair.a), pair.b);
    }
};
FieldPair fieldPair(const EntryView& entry, int without) {
    switch (without) {
    case 0: return {0, entry.password, entry.location};
    case 1: return {1, entry.username, entry.location};
    default: return {2, entry.username, entry.password};
    }
}

// One side's changes of the base: for each base entry it removed, the entry of its own that took
// its place (see the header), if any.
struct SideChanges {
    std::vector<bool> removed;                   // by base index
    std::vector<std::optional<size_t>> partner;  // by base index: the side's index
    std::vector<std::optional<size_t>> changed;  // by side index: the base index it changed
};

// The side removed the first base entries of each value that it holds fewer of, and added the last
// entries of each value that it holds more of.
SideChanges changesOf(const std::vector<EntryView>& base, const std::vector<EntryView>& side,
                      const Numbered& numbers, const std::vector<Number>& sideNumbers, long Counts::*count) {
    SideChanges changes{std::vector<bool>(base.size()), std::vector<std::optional<size_t>>(base.size()),
                        std::vector<std::optional<size_t>>(side.size())};
    std::vector<long> seen(numbers.counts.size());
    // The removed entries by two of their fields, in base order, with the first not yet paired.
    struct Removed {
        std::vector<size_t> indexes;
        size_t firstFree = 0;
    };
    std::unordered_map<FieldPair, Removed, FieldPairHash> removedBy;
    for (size_t i = 0; i < base.size(); ++i) {
        const Counts& c = numbers.counts[numbers.base[i]];
        if (seen[numbers.base[i]]++ >= c.base - c.*count) continue;
        changes.removed[i] = true;
        for (int field = 0; field < 3; ++field) removedBy[fieldPair(base[i], field)].indexes.push_back(i);
    }
    if (removedBy.empty()) return changes;
    std::fill(seen.begin(), seen.end(), 0);
    for (size_t i = 0; i < side.size(); ++i) {
        const Counts& c = numbers.counts[sideNumbers[i]];
        if (seen[sideNumbers[i]]++ < c.base) continue;  // one of the base's own: not added
        std::optional<size_t> paired;
        for (int field = 0; field < 3; ++field) {
            auto found = removedBy.find(fieldPair(side[i], field));
            if (found == removedBy.end()) continue;
            Removed& removed = found->second;
            while (removed.firstFree < removed.indexes.size() && changes.partner[removed.indexes[removed.firstFree]])
                ++removed.firstFree;
            if (removed.firstFree == removed.indexes.size()) continue;
            const size_t candidate = removed.indexes[removed.firstFree];
            if (!paired || candidate < *paired) paired = candidate;
        }
        if (!paired) continue;
        changes.partner[*paired] = i;
        changes.changed[i] = *paired;
    }
    return changes;
}

std::vector<MergeConflict> conflictsOf(const std::vector<EntryView>& base, const std::vector<EntryView>& theirs,
                                       const std::vector<EntryView>& ours, const SideChanges& theirChanges,
                                       const SideChanges& ourChanges) {
    std::vector<MergeConflict> conflicts;
    for (size_t i = 0; i < base.size(); ++i) {
        if (!theirChanges.removed[i] || !ourChanges.removed[i]) continue;
        const std::optional<size_t> o = ourChanges.partner[i], t = theirChanges.partner[i];
        if (!o && !t) continue;  // deleted on both sides
        if (o && t && ours[*o] == theirs[*t]) continue;  // changed alike
        conflicts.push_back({base[i], o ? &ours[*o] : nullptr, t ? &theirs[*t] : nullptr});
    }
    return conflicts;
}

}  // namespace

EntryMerge mergeEntries(const std::vector<EntryView>& base, const std::vector<EntryView>& theirs,
                        const std::vector<EntryView>& ours) {
    Numbered numbers = numbered(base, theirs, ours);
    std::vector<Counts>& counts = numbers.counts;
    EntryMerge merge;
    merge.sameAsTheirs = true;
    for (Counts& c : counts) {
        c.left = mergedCount(c);
        if (c.left != c.theirs) merge.sameAsTheirs = false;
    }

    const SideChanges theirChanges = changesOf(base, theirs, numbers, numbers.theirs, &Counts::theirs);
    const SideChanges ourChanges = changesOf(base, ours, numbers, numbers.ours, &Counts::ours);
    // Their changes of base entries that ours still holds as they were, to be put in their place.
    struct Waiting {
        std::vector<size_t> changes;
        size_t next = 0;
    };
    std::unordered_map<Number, Waiting> theirChangeOf;
    for (size_t i = 0; i < base.size(); ++i)
        if (theirChanges.partner[i] && !ourChanges.removed[i])
            theirChangeOf[numbers.base[i]].changes.push_back(*theirChanges.partner[i]);

    std::vector<bool> placed(theirs.size());
    merge.entries.reserve(ours.size() + theirs.size() / 8);
    auto placeTheirs = [&](size_t index) {
        Counts& c = counts[numbers.theirs[index]];
        if (placed[index] || c.left == 0) return;
        placed[index] = true;
        --c.left;
        merge.entries.push_back({MergedEntry::From::Theirs, index});
    };
    for (size_t i = 0; i < ours.size(); ++i) {
        Counts& c = counts[numbers.ours[i]];
        if (c.left > 0) {
            --c.left;
            merge.entries.push_back({MergedEntry::From::Ours, i});
            // Changed differently on both sides: their version right after ours.
            if (ourChanges.changed[i])
                if (std::optional<size_t> t = theirChanges.partner[*ourChanges.changed[i]]) placeTheirs(*t);
            continue;
        }
        auto waiting = theirChangeOf.find(numbers.ours[i]);
        if (waiting == theirChangeOf.end() || waiting->second.next == waiting->second.changes.size()) continue;
        placeTheirs(waiting->second.changes[waiting->second.next++]);
    }
    for (size_t i = 0; i < theirs.size(); ++i) placeTheirs(i);
    merge.conflicts = conflictsOf(base, theirs, ours, theirChanges, ourChanges);
    return merge;
}

std::vector<MergedEntry> inTheirOrder(const std::vector<EntryView>& theirs, const std::vector<EntryView>& ours) {
    struct Unused {
        std::vector<size_t> indexes;
        size_t next = 0;
    };
    std::unordered_map<EntryView, Unused, EntryHash> ourEntries;
    ourEntries.reserve(ours.size());
    for (size_t i = 0; i < ours.size(); ++i) ourEntries[ours[i]].indexes.push_back(i);
    std::vector<MergedEntry> entries;
    entries.reserve(theirs.size());
    for (size_t i = 0; i < theirs.size(); ++i) {
        auto found = ourEntries.find(theirs[i]);
        if (found != ourEntries.end() && found->second.next < found->second.indexes.size())
            entries.push_back({MergedEntry::From::Ours, found->second.indexes[found->second.next++]});
        else
            entries.push_back({MergedEntry::From::Theirs, i});
    }
    return entries;
}

}  // namespace vk::vault

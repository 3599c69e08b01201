#pragma once
// The entries shown by the main window's list, in display order, with the list's sort settings.
// The list orders its own collection: sorted mode on, a key column and an order; while sorted
// mode is on, rows added or changed go to their place in the current order at once.
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vault/entry_merge.h"
#include "vault/vault_format.h"

namespace vk::vault {

// An entry's three fields, in the order of the list's columns.
enum class Field { Username, Password, Location };

// An entry's identity for as long as the list lives; 32 bits keep a big list's rows small.
using EntryId = std::uint32_t;
enum class SortOrder { Ascending, Descending };

// Appends to `keys` a key of the text whose byte order is the collation order of the texts. A key
// tells much of its text (a password's among them): it is kept where it is wiped.
using CollationKey = void (*)(std::string_view text, SecretString& keys);

class EntryList {
public:
    static constexpr int kColumns = 3;

    explicit EntryList(CollationKey collationKey) : collationKey_(collationKey) {}
    EntryList(const EntryList&) = delete;
    EntryList& operator=(const EntryList&) = delete;

    size_t count() const { return order_.size(); }
    bool empty() const { return order_.empty(); }
    EntryView at(size_t index) const { return entryIn(order_[index]); }  // 0-based
    EntryId idAt(size_t index) const { return held_[order_[index]].id; }
    // The entry's line as read from the vault (its fields joined by "|||"), when it is still that
    // line; empty otherwise. A save copies such lines whole.
    std::string_view joinedLine(size_t index) const;
    // From entry `first` on, the entries whose lines lay one after the other in the vault they were
    // read from, as one piece with their line ends (see joinedLine); `end` is the entry after them.
    // Empty, with `end` the next entry, when entry `first` is no longer its vault line.
    std::string_view joinedLines(size_t first, size_t& end) const;
    // Where the entry is shown; `hint` is where it was last seen, looked at first.
    std::optional<size_t> indexOf(EntryId id, size_t hint = 0) const;
    // The text of a column: 0 Username, 1 Password, 2 Website/Location.
    static std::string_view field(EntryView entry, int column);

    EntryId add(EntryView entry);
    // Adds the table's entries as one change: at the end, in their order, or while the list is
    // sorted each in its place, after the entries that sort equal to it (as add puts one).
    void addInOneChange(EntryTable table);
    // Appends a whole loaded vault, keeping its text as it is.
    void addAll(EntryTable table);
    // Makes the list hold the merged entries, in their order: ours (by their place in the list)
    // keep their identities, theirs come from `theirs`. Counted as one change when `oneChange`.
    void takeMerge(const std::vector<MergedEntry>& merged, EntryTable theirs, bool oneChange);
    bool replace(EntryId id, EntryView entry);
    bool remove(EntryId id);
    // Drops every entry, their texts and sort keys wiped first: what a lock leaves of the list.
    // The sort settings stay.
    void dropAll();
    // Entries saved one by one (add, replace), as the user saves them: how many, ever, and the
    // identity of the last one.
    std::uint64_t saves() const { return saves_; }
    EntryId lastSaved() const { return lastSaved_; }
    // The places, in display order, of the entries that `wanted` answers true for, among the places
    // `among` (all entries when null). The entries are asked about in the order they are held (a
    // loaded vault's in the order of its file), not in display order: a big sorted list is then
    // read from start to end instead of all over memory. `stop` is asked every few thousand
    // entries: false, with `places` unfinished, when it says so.
    using Places = std::vector<std::uint32_t>;
    bool choose(const std::function<bool(EntryView, EntryId)>& wanted, const Places* among, Places& places,
                const std::function<bool()>& stop) const;
    // How many entries were added, changed or removed one by one (loading does not count).
    std::uint64_t changes() const { return changes_; }
    // How many entries remove() took out, ever: what the user's commands removed.
    std::uint64_t removals() const { return removals_; }

    bool sorted() const { return sorted_; }
    int sortKey() const { return sortKey_; }
    SortOrder sortOrder() const { return sortOrder_; }
    // Changes the sort settings; the rows are reordered when sorted mode is on.
    void setSortSettings(bool sorted, int sortKey, SortOrder order);

private:
    // An entry added or changed since the vault was loaded: its fields side by side.
    struct OwnFields {
        SecretString text;
        std::uint32_t usernameSize;
        std::uint32_t passwordSize;
    };
    // One entry as it is held: a line of a loaded vault, whose fields are cut when they are used,
    // or fields of its own. It never changes: a changed entry is held anew under the same id, so
    // a sort key, once made, is right for as long as the entry is held.
    // A loaded vault, and whether each of its lines is just its three fields joined, which a
    // save may then copy whole: worked out at the first save, since the lines never change.
    struct LoadedVault {
        EntryTable table;
        mutable std::optional<bool> linesWhole;
    };
    struct Held {
        const LoadedVault* vault;  // null for an entry with fields of its own
        std::uint32_t line;
        EntryId id;
        std::unique_ptr<OwnFields> own;  // goes when the entry goes
    };
    using Slot = std::uint32_t;  // where an entry is held

    // One column's sort keys, made for every held entry on the first sort by the column and kept
    // across sorts; end to end in one buffer, in the order of the slots.
    struct KeyColumn {
        SecretString bytes;
        std::vector<std::uint32_t> ends;
        std::string_view key(Slot slot) const {
            size_t start = slot == 0 ? 0 : ends[slot - 1];
            return std::string_view(bytes).substr(start, ends[slot] - start);
        }
    };

    EntryView entryIn(Slot slot) const;
    // Holds an entry with its own copy of the fields.
    Slot hold(EntryView entry, EntryId id);
    void release(Slot slot);
    // The keys of the sort column, made for the entries held since they were last made.
    const KeyColumn& sortKeys();
    bool before(Slot a, Slot b) const;  // strictly before in the current order
    size_t placeFor(Slot slot);
    void reorder();

    CollationKey collationKey_;
    // The loaded vaults that held entries are lines of. A deque never moves what it holds.
    std::deque<LoadedVault> loadedVaults_;
    std::vector<Held> held_;
    std::vector<Slot> order_;  // display order
    std::array<KeyColumn, kColumns> keys_;
    EntryId nextId_ = 1;
    std::uint64_t changes_ = 0;
    std::uint64_t saves_ = 0;
    EntryId lastSaved_ = 0;
    std::uint64_t removals_ = 0;
    bool sorted_ = false;
    int sortKey_ = 0;
    SortOrder sortOrder_ = SortOrder::Ascending;
};

// What a save writes: the master password, then every entry in display order, handed to `write`
// piece by piece; the first error `write` returned.
IoResult writeVaultContent(std::string_view masterPassword, const EntryList& entries, const PieceWriter& write);

}  // namespace vk::vault

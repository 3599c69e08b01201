#pragma once
// The entries shown by the main window's list, in display order, with the list's sort settings.
// The list orders its own collection: sorted mode on, a key column and an order; while sorted
// mode is on, rows added or changed go to their place in the current order at once.
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vault/vault_format.h"

namespace vk {

using EntryId = std::uint64_t;  // an entry's identity for as long as the list lives
enum class SortOrder { Ascending, Descending };

// Maps a text to a key whose byte order is the collation order of the texts.
using CollationKey = std::string (*)(std::string_view text);

class EntryList {
public:
    static constexpr int kColumns = 3;

    explicit EntryList(CollationKey collationKey) : collationKey_(collationKey) {}
    EntryList(const EntryList&) = delete;
    EntryList& operator=(const EntryList&) = delete;

    size_t count() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    vault::EntryView at(size_t index) const { return rows_[index].entry; }  // 0-based
    EntryId idAt(size_t index) const { return rows_[index].id; }
    // The entry's line as read from the vault (its fields joined by "|||"), when it is still that
    // line; empty otherwise. A save copies such lines whole.
    std::string_view joinedLine(size_t index) const;
    std::optional<size_t> indexOf(EntryId id) const;
    // The text of a column: 0 Username, 1 Password, 2 Website/Location.
    static std::string_view field(vault::EntryView entry, int column);

    EntryId add(vault::EntryView entry);
    // Appends a whole loaded vault, keeping its text as it is.
    void addAll(vault::EntryTable table);
    bool replace(EntryId id, vault::EntryView entry);
    bool remove(EntryId id);
    void clear();

    bool sorted() const { return sorted_; }
    int sortKey() const { return sortKey_; }
    SortOrder sortOrder() const { return sortOrder_; }
    // Changes the sort settings; the rows are reordered when sorted mode is on.
    void setSortSettings(bool sorted, int sortKey, SortOrder order);

private:
    struct Row {
        // Points into a loaded vault's text, or into `own` for an entry added or changed since.
        vault::EntryView entry;
        EntryId id;
        std::unique_ptr<std::string> own;  // goes with the row
        // The collation key of column keyColumn, computed when first needed.
        mutable std::string key;
        mutable int keyColumn = -1;
    };
    // A row holding its own copy of the entry's fields.
    static Row ownRow(vault::EntryView entry, EntryId id);
    const std::string& keyOf(const Row& row) const;
    bool before(const Row& a, const Row& b) const;  // strictly before in the current order
    size_t placeFor(const Row& row) const;
    void reorder();

    CollationKey collationKey_;
    // The texts of the loaded vaults that rows point into. A deque never moves what it holds.
    std::deque<std::string> loadedTexts_;
    std::vector<Row> rows_;
    EntryId nextId_ = 1;
    bool sorted_ = false;
    int sortKey_ = 0;
    SortOrder sortOrder_ = SortOrder::Ascending;
};

// What a save writes: the master password, then every entry in display order.
std::string savedVaultContent(std::string_view masterPassword, const EntryList& entries);

// A collation usable without the platform: letter case ignored for ASCII, then byte order.
std::string simpleCollationKey(std::string_view text);

}  // namespace vk

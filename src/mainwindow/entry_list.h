#pragma once
// The entries shown by the main window's list, in display order, with the list's sort settings.
// The list orders its own collection: sorted mode on, a key column and an order; while sorted
// mode is on, rows added or changed go to their place in the current order at once.
#include <array>
#include <cstdint>
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

    size_t count() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    const vault::Entry& at(size_t index) const { return rows_[index].entry; }  // 0-based
    EntryId idAt(size_t index) const { return rows_[index].id; }
    std::optional<size_t> indexOf(EntryId id) const;
    // The text of a column: 0 Username, 1 Password, 2 Website/Location.
    static const std::string& field(const vault::Entry& entry, int column);

    EntryId add(vault::Entry entry);
    void addAll(std::vector<vault::Entry> entries);
    bool replace(EntryId id, vault::Entry entry);
    bool remove(EntryId id);
    void clear() { rows_.clear(); }

    bool sorted() const { return sorted_; }
    int sortKey() const { return sortKey_; }
    SortOrder sortOrder() const { return sortOrder_; }
    // Changes the sort settings; the rows are reordered when sorted mode is on.
    void setSortSettings(bool sorted, int sortKey, SortOrder order);

private:
    struct Row {
        vault::Entry entry;
        EntryId id;
        // Collation keys per column, computed when first needed; a change of the entry drops them.
        mutable std::array<std::optional<std::string>, kColumns> keys;
    };
    const std::string& keyOf(const Row& row) const;
    bool before(const Row& a, const Row& b) const;  // strictly before in the current order
    size_t placeFor(const Row& row) const;
    void reorder();

    CollationKey collationKey_;
    std::vector<Row> rows_;
    EntryId nextId_ = 1;
    bool sorted_ = false;
    int sortKey_ = 0;
    SortOrder sortOrder_ = SortOrder::Ascending;
};

// A collation usable without the platform: letter case ignored for ASCII, then byte order.
std::string simpleCollationKey(std::string_view text);

}  // namespace vk

#include "mainwindow/entry_list.h"

#include <algorithm>

namespace vk {

const std::string& EntryList::field(const vault::Entry& entry, int column) {
    switch (column) {
    case 1:
        return entry.password;
    case 2:
        return entry.location;
    default:
        return entry.username;
    }
}

std::optional<size_t> EntryList::indexOf(EntryId id) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].id == id) return i;
    return std::nullopt;
}

const std::string& EntryList::keyOf(const Row& row) const {
    auto& key = row.keys[static_cast<size_t>(sortKey_)];
    if (!key) key = collationKey_(field(row.entry, sortKey_));
    return *key;
}

bool EntryList::before(const Row& a, const Row& b) const {
    return sortOrder_ == SortOrder::Ascending ? keyOf(a) < keyOf(b) : keyOf(b) < keyOf(a);
}

size_t EntryList::placeFor(const Row& row) const {
    if (!sorted_) return rows_.size();
    // After the rows that sort equal to it, so that equal rows keep the order they were added in.
    auto it = std::upper_bound(rows_.begin(), rows_.end(), row,
                               [this](const Row& value, const Row& element) { return before(value, element); });
    return static_cast<size_t>(it - rows_.begin());
}

EntryId EntryList::add(vault::Entry entry) {
    Row row{std::move(entry), nextId_++, {}};
    size_t place = placeFor(row);
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(place), std::move(row));
    return rows_[place].id;
}

void EntryList::addAll(std::vector<vault::Entry> entries) {
    rows_.reserve(rows_.size() + entries.size());
    for (auto& entry : entries) rows_.push_back(Row{std::move(entry), nextId_++, {}});
    if (sorted_) reorder();
}

bool EntryList::replace(EntryId id, vault::Entry entry) {
    auto index = indexOf(id);
    if (!index) return false;
    Row row{std::move(entry), id, {}};
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(*index));
    size_t place = sorted_ ? placeFor(row) : *index;
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(place), std::move(row));
    return true;
}

bool EntryList::remove(EntryId id) {
    auto index = indexOf(id);
    if (!index) return false;
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(*index));
    return true;
}

void EntryList::setSortSettings(bool sorted, int sortKey, SortOrder order) {
    sorted_ = sorted;
    sortKey_ = std::clamp(sortKey, 0, kColumns - 1);
    sortOrder_ = order;
    if (sorted_) reorder();
}

void EntryList::reorder() {
    std::stable_sort(rows_.begin(), rows_.end(), [this](const Row& a, const Row& b) { return before(a, b); });
}

std::string simpleCollationKey(std::string_view text) {
    std::string key(text);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

}  // namespace vk

#include "mainwindow/entry_list.h"

#include <algorithm>

namespace vk {

std::string_view EntryList::field(vault::EntryView entry, int column) {
    switch (column) {
    case 1:
        return entry.password;
    case 2:
        return entry.location;
    default:
        return entry.username;
    }
}

std::string_view EntryList::joinedLine(size_t index) const {
    // Fields read from a vault lie in its text with the separators between them; a row's own
    // fields lie side by side. Only the former are three apart.
    const vault::EntryView& entry = rows_[index].entry;
    constexpr size_t gap = vault::kSeparator.size();
    const char* start = entry.username.data();
    if (entry.password.data() != start + entry.username.size() + gap ||
        entry.location.data() != entry.password.data() + entry.password.size() + gap)
        return {};
    return std::string_view(start, static_cast<size_t>(entry.location.data() + entry.location.size() - start));
}

std::optional<size_t> EntryList::indexOf(EntryId id) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].id == id) return i;
    return std::nullopt;
}

EntryList::Row EntryList::ownRow(vault::EntryView entry, EntryId id) {
    auto own = std::make_unique<std::string>();
    own->reserve(entry.username.size() + entry.password.size() + entry.location.size());
    own->append(entry.username).append(entry.password).append(entry.location);
    // The string lives on the heap, so the views stay valid when the row moves.
    std::string_view text = *own;
    size_t u = entry.username.size(), p = entry.password.size();
    vault::EntryView fields{text.substr(0, u), text.substr(u, p), text.substr(u + p)};
    return Row{fields, id, std::move(own), {}, -1};
}

const std::string& EntryList::keyOf(const Row& row) const {
    if (row.keyColumn != sortKey_) {
        row.key = collationKey_(field(row.entry, sortKey_));
        row.keyColumn = sortKey_;
    }
    return row.key;
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

EntryId EntryList::add(vault::EntryView entry) {
    Row row = ownRow(entry, nextId_++);
    size_t place = placeFor(row);
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(place), std::move(row));
    return rows_[place].id;
}

void EntryList::addAll(vault::EntryTable table) {
    size_t first = rows_.size();
    rows_.reserve(first + table.size());
    for (size_t i = 0; i < table.size(); ++i) rows_.push_back(Row{table[i], nextId_++, nullptr, {}, -1});
    // The list keeps the table's text; a short text may move with it, so the views follow.
    const char* oldBase = table.text().data();
    const std::string& text = loadedTexts_.emplace_back(table.takeText());
    auto rebase = [&](std::string_view view) {
        return std::string_view(text.data() + (view.data() - oldBase), view.size());
    };
    for (size_t i = first; i < rows_.size(); ++i) {
        vault::EntryView& entry = rows_[i].entry;
        entry = {rebase(entry.username), rebase(entry.password), rebase(entry.location)};
    }
    if (sorted_) reorder();
}

bool EntryList::replace(EntryId id, vault::EntryView entry) {
    auto index = indexOf(id);
    if (!index) return false;
    Row row = ownRow(entry, id);
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

void EntryList::clear() {
    rows_.clear();
    loadedTexts_.clear();
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

std::string savedVaultContent(std::string_view masterPassword, const EntryList& entries) {
    vault::SavedVaultBuilder builder(masterPassword, entries.count());
    for (size_t i = 0; i < entries.count(); ++i) {
        std::string_view line = entries.joinedLine(i);
        if (line.empty())
            builder.add(entries.at(i));
        else
            builder.addLine(line);
    }
    return builder.finish();
}

std::string simpleCollationKey(std::string_view text) {
    std::string key(text);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

}  // namespace vk

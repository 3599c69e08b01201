#pragma once
#include <functional>

#include "vault/entry_list.h"

namespace vk {

class EntryListView;

// Puts the entries in an order: sorted mode, key column and order, all at once.
using SortEntries = std::function<void(bool sorted, int sortKey, vault::SortOrder order)>;

// Sorts the entries a report-view list shows by its clicked column (1-based): sorted mode on, key =
// column - 1, and the order toggled on every call whichever column it is. A list without rows is
// left as it is. False when a step failed; with reportErrors the failure is also shown in a box.
bool sortByColumn(const EntryListView& list, int column, bool reportErrors, const SortEntries& sort);

}  // namespace vk

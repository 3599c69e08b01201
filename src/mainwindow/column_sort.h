#pragma once

namespace vk {

class EntryListView;

// Sorts a report-view list by the clicked column (1-based): sorted mode on, key = column - 1,
// and the order toggled on every call whichever column it is. A list without rows is left as it
// is. False when a step failed; with reportErrors the failure is also shown in a message box.
bool sortByColumn(EntryListView& list, int column, bool reportErrors);

}  // namespace vk

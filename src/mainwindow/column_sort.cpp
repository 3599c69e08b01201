#include "mainwindow/column_sort.h"

#include <string>

#include "mainwindow/entry_list_view.h"
#include "platform/message_box.h"

namespace vk {
namespace {

struct SortError {
    int number;
    const char* description;
};
constexpr SortError kIndexOutOfBounds{35600, "Index out of bounds"};

bool fail(const EntryListView& list, const SortError& error, bool reportErrors) {
    if (reportErrors)
        messageBox(GetParent(list.hwnd()), "Error" + std::to_string(error.number) + "\t" + error.description,
                   "Error in Function : EnhListView_SortColumns", MB_OK | MB_ICONINFORMATION);
    return false;
}

}  // namespace

bool sortByColumn(const EntryListView& list, int column, bool reportErrors, const SortEntries& sort) {
    const vault::EntryList& entries = list.entries();
    // A list that shows no rows (none match the filter) has nothing to sort.
    if (list.shownCount() == 0) return true;
    // The list reorders once, with all three settings: sorted mode, key and order.
    if (column < 1 || column > list.columnCount()) {
        if (!entries.sorted()) sort(true, entries.sortKey(), entries.sortOrder());
        return fail(list, kIndexOutOfBounds, reportErrors);
    }
    vault::SortOrder order =
        entries.sortOrder() == vault::SortOrder::Ascending ? vault::SortOrder::Descending : vault::SortOrder::Ascending;
    sort(true, column - 1, order);
    return true;
}

}  // namespace vk

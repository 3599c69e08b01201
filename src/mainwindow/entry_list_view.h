#pragma once
// The entry list: a virtual report-view list that shows the entry collection, in display order.
// It only shows them: the entries change through the open vault, which tells the list before and
// after, so that the selection follows its entries through the change.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "vault/entry_list.h"

namespace vk {

class EntryListView {
public:
    explicit EntryListView(const vault::EntryList& entries) : entries_(entries) {}
    EntryListView(const EntryListView&) = delete;
    EntryListView& operator=(const EntryListView&) = delete;

    void attach(HWND list);
    HWND hwnd() const { return hwnd_; }
    const vault::EntryList& entries() const { return entries_; }

    void addColumn(const std::string& caption, int widthPixels);
    int columnCount() const;

    // Where the selected entry is shown (from 0), if one is selected.
    std::optional<size_t> selectedIndex() const;

    // The entries are about to change, and have changed: the same entries stay selected, and the
    // list repaints.
    void entriesChanging();
    void entriesChanged();
    // The entries were loaded from the vault: the list shows them all, nothing selected.
    void entriesLoaded() { refresh({}); }

    // Handles the list's notifications sent to its parent; true when handled.
    bool handleNotify(const NMHDR& header, LRESULT& result);
    std::function<void(int oneBasedColumn)> onColumnClick;

private:
    // The selected rows (from 0), found without asking every row where that can be helped.
    std::vector<int> selectedIndexes() const;
    std::vector<vault::EntryId> selectedIds() const;
    void refresh(const std::vector<vault::EntryId>& keepSelected);
    void clearSelection();
    void fillDisplayInfo(NMLVDISPINFOW& info) const;
    int findRow(const NMLVFINDITEMW& find) const;

    const vault::EntryList& entries_;
    HWND hwnd_ = nullptr;
    std::vector<vault::EntryId> keepSelected_;  // while the entries change
};

}  // namespace vk

#pragma once
// The entry list: a virtual report-view list that shows the entry collection, in display order;
// the selection follows its entries when the collection changes order.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "vault/entry_list.h"

namespace vk {

class EntryListView {
public:
    explicit EntryListView(vault::EntryList& entries) : entries_(entries) {}
    EntryListView(const EntryListView&) = delete;
    EntryListView& operator=(const EntryListView&) = delete;

    void attach(HWND list);
    HWND hwnd() const { return hwnd_; }
    const vault::EntryList& entries() const { return entries_; }

    void addColumn(const std::string& caption, int widthPixels);
    int columnCount() const;

    // Where the selected entry is shown (from 0), if one is selected.
    std::optional<size_t> selectedIndex() const;

    // Changes to the entries; each keeps the selection on the same entries and repaints.
    vault::EntryId add(vault::EntryView entry);
    void addInOneChange(vault::EntryTable table);
    bool replace(vault::EntryId id, vault::EntryView entry);
    bool remove(vault::EntryId id);
    void setSortSettings(bool sorted, int sortKey, vault::SortOrder order);
    // The entries were loaded from the vault: the list shows them all, nothing selected.
    void entriesLoaded() { refresh({}); }

    // Handles the list's notifications sent to its parent; true when handled.
    bool handleNotify(const NMHDR& header, LRESULT& result);
    std::function<void(int oneBasedColumn)> onColumnClick;

private:
    // The selected rows (from 0), found without asking every row where that can be helped.
    std::vector<int> selectedIndexes() const;
    std::vector<vault::EntryId> selectedIds() const;
    // Runs a change of the entries, then repaints with the same entries selected.
    template <typename Change>
    auto keepingSelection(Change change) {
        std::vector<vault::EntryId> keep = selectedIds();
        if constexpr (std::is_void_v<decltype(change())>) {
            change();
            refresh(keep);
        } else {
            auto result = change();
            refresh(keep);
            return result;
        }
    }
    void refresh(const std::vector<vault::EntryId>& keepSelected);
    void clearSelection();
    void fillDisplayInfo(NMLVDISPINFOW& info) const;
    int findRow(const NMLVFINDITEMW& find) const;

    vault::EntryList& entries_;
    HWND hwnd_ = nullptr;
};

}  // namespace vk

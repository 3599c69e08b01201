#pragma once
// The entry list: a virtual report-view list that shows the entry collection, in display order, or
// while a filter is on only the entries it matches (and those saved since it was set). It only
// shows them: the entries change through the open vault, which tells the list before and after, so
// that the selection follows its entries through the change.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "vault/entry_filter.h"
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

    // The selected entry's place among the entries, in display order (from 0), if one is selected.
    std::optional<size_t> selectedIndex() const;
    // The rows the list shows: none while locked, the matches while a filter is on.
    size_t shownCount() const;

    // Shows only the entries `filter` matches; an empty filter shows them all again. The selected
    // entry stays selected, in view, while it is shown. False when `keyWaiting` said a key came
    // first, which makes the work stale: the list then shows what it showed before.
    bool filterBy(vault::EntryFilter filter, const std::function<bool()>& keyWaiting);
    bool filtered() const { return !filter_.empty(); }
    // Selects the first row shown, in view, with the keyboard focus; false when none is shown.
    bool selectFirstRow();

    // The entries are about to change, and have changed: the same entries stay selected, and the
    // list repaints.
    void entriesChanging();
    void entriesChanged();
    // The entries were loaded from the vault: the list shows them, nothing selected.
    void entriesLoaded();
    // While the vault is locked the list shows no rows at all.
    void setLocked(bool locked);
    // Off: the Password column shows a fixed row of dots, whatever the password.
    void setPasswordsShown(bool shown);
    bool passwordsShown() const { return passwordsShown_; }

    // Handles the list's notifications sent to its parent; true when handled.
    bool handleNotify(const NMHDR& header, LRESULT& result);
    std::function<void(int oneBasedColumn)> onColumnClick;

private:
    // The selected rows (from 0), found without asking every row where that can be helped.
    std::vector<int> selectedIndexes() const;
    std::vector<vault::EntryId> selectedIds() const;
    // Shows the rows anew; true when one of `keepSelected` is shown, and selected in view.
    bool refresh(const std::vector<vault::EntryId>& keepSelected);
    void clearSelection();
    void fillDisplayInfo(NMLVDISPINFOW& info) const;
    int findRow(const NMLVFINDITEMW& find) const;

    // The place among the entries of what a row shows, and the row that shows a place; none when
    // the row or the place is not shown.
    std::optional<size_t> placeOfRow(size_t row) const;
    std::optional<size_t> rowOfPlace(size_t place) const;
    // The filter's rows worked out afresh, after the entries changed.
    void collectRowsAgain();

    const vault::EntryList& entries_;
    HWND hwnd_ = nullptr;
    bool locked_ = false;
    bool passwordsShown_ = true;
    std::vector<vault::EntryId> keepSelected_;  // while the entries change
    vault::EntryFilter filter_;                 // none: every entry shown
    vault::ShownRows rows_;                     // while filtered: the places of the entries shown
    std::vector<vault::EntryId> kept_;          // saved since the filter was set: shown, in order
    std::uint64_t savesBefore_ = 0;             // while the entries change
    // Counts the changes of the entries: a filter worked out meanwhile is out of date.
    std::uint64_t changes_ = 0;
};

}  // namespace vk

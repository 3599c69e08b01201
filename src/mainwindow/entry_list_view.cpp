#include "mainwindow/entry_list_view.h"

#include <algorithm>

#include "platform/text.h"

namespace vk {
namespace {

constexpr size_t kMaxShownBytes = 1024;
// How often a long search asks whether a key waits.
constexpr DWORD kAskEveryMs = 10;
// Bullets, which the list's usual fonts have (some lack a black circle).
constexpr wchar_t kHiddenPassword[] = L"\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022";

}  // namespace

void EntryListView::attach(HWND list) {
    hwnd_ = list;
    ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER |
                                                 LVS_EX_LABELTIP);
    ListView_SetItemCountEx(hwnd_, static_cast<int>(shownCount()), 0);
}

void EntryListView::addColumn(const std::string& caption, int widthPixels) {
    std::wstring text = widen(caption);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = text.data();
    column.cx = widthPixels;
    int index = columnCount();
    column.iSubItem = index;
    SendMessageW(hwnd_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

int EntryListView::columnCount() const {
    HWND header = ListView_GetHeader(hwnd_);
    return header ? Header_GetItemCount(header) : 0;
}

std::vector<int> EntryListView::selectedIndexes() const {
    std::vector<int> indexes;
    const int count = ListView_GetSelectedCount(hwnd_);
    if (count <= 0) return indexes;
    // The list asks row after row for the selected rows, but knows its focused row at once; in a
    // single-selection list that row is, nearly always, the selected one.
    const int focused = ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED);
    if (count == 1 && focused >= 0 && ListView_GetItemState(hwnd_, focused, LVIS_SELECTED)) return {focused};
    for (int index = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED);
         index >= 0 && indexes.size() < static_cast<size_t>(count);
         index = ListView_GetNextItem(hwnd_, index, LVNI_SELECTED))
        indexes.push_back(index);
    return indexes;
}

std::optional<size_t> EntryListView::selectedIndex() const {
    std::vector<int> indexes = selectedIndexes();
    if (indexes.empty()) return std::nullopt;
    return placeOfRow(static_cast<size_t>(indexes.front()));
}

std::vector<vault::EntryId> EntryListView::selectedIds() const {
    std::vector<vault::EntryId> ids;
    if (!hwnd_) return ids;
    for (int index : selectedIndexes())
        if (auto place = placeOfRow(static_cast<size_t>(index))) ids.push_back(entries_.idAt(*place));
    return ids;
}

size_t EntryListView::shownCount() const {
    if (locked_) return 0;
    return filtered() ? rows_.size() : entries_.count();
}

std::optional<size_t> EntryListView::placeOfRow(size_t row) const {
    if (row >= shownCount()) return std::nullopt;
    const size_t place = filtered() ? rows_[row] : row;
    // The entries may be gone already (a lock drops them) when the list has not heard of it yet.
    if (place >= entries_.count()) return std::nullopt;
    return place;
}

std::optional<size_t> EntryListView::rowOfPlace(size_t place) const {
    if (locked_ || place >= entries_.count()) return std::nullopt;
    if (!filtered()) return place;
    auto found = std::lower_bound(rows_.begin(), rows_.end(), place);
    if (found == rows_.end() || *found != place) return std::nullopt;
    return static_cast<size_t>(found - rows_.begin());
}

void EntryListView::clearSelection() {
    // Row by row, only the rows that hold the selection or the focus: clearing "all rows" makes
    // the list visit every row, which a big list pays for on every change.
    for (int index : selectedIndexes()) ListView_SetItemState(hwnd_, index, 0, LVIS_SELECTED | LVIS_FOCUSED);
    int focused = ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED);
    if (focused >= 0) ListView_SetItemState(hwnd_, focused, 0, LVIS_FOCUSED);
}

bool EntryListView::refresh(const std::vector<vault::EntryId>& keepSelected) {
    if (!hwnd_) return false;
    clearSelection();
    // The whole list is repainted below and scrolled to the kept selection: the list need do
    // neither itself, and a count that stays the same (a sort, an edit) need not be told at all,
    // since telling it costs a big list a walk over its rows under Wine.
    if (ListView_GetItemCount(hwnd_) != static_cast<int>(shownCount()))
        ListView_SetItemCountEx(hwnd_, static_cast<int>(shownCount()), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    bool first = true;
    for (vault::EntryId id : keepSelected) {
        auto found = entries_.indexOf(id);
        auto row = found ? rowOfPlace(*found) : std::nullopt;
        if (!row) continue;
        int index = static_cast<int>(*row);
        UINT state = first ? LVIS_SELECTED | LVIS_FOCUSED : LVIS_SELECTED;
        ListView_SetItemState(hwnd_, index, state, state);
        if (first) ListView_EnsureVisible(hwnd_, index, FALSE);
        first = false;
    }
    InvalidateRect(hwnd_, nullptr, FALSE);
    return !first;
}

void EntryListView::entriesChanging() {
    keepSelected_ = selectedIds();
    savesBefore_ = entries_.saves();
}

void EntryListView::entriesChanged() {
    ++changes_;
    // What the user saved stays in sight until the filter changes; what another program changed
    // meanwhile, or a version restored, is filtered like the rest.
    if (filtered() && entries_.saves() != savesBefore_) {
        auto at = std::lower_bound(kept_.begin(), kept_.end(), entries_.lastSaved());
        if (at == kept_.end() || *at != entries_.lastSaved()) kept_.insert(at, entries_.lastSaved());
    }
    if (filtered()) collectRowsAgain();
    refresh(keepSelected_);
    keepSelected_.clear();
}

void EntryListView::entriesLoaded() {
    ++changes_;
    kept_.clear();
    if (filtered()) collectRowsAgain();
    refresh({});
}

void EntryListView::collectRowsAgain() {
    vault::ShownRows rows;
    vault::collectShownRows(entries_, filter_, kept_, nullptr, rows, [] { return false; });
    rows_.swap(rows);
}

bool EntryListView::filterBy(vault::EntryFilter filter, const std::function<bool()>& keyWaiting) {
    if (filter == filter_) return true;
    // Asking whether a key waits costs a trip to the system: it is asked every few milliseconds of
    // the work, and once before its outcome is shown. Asking may run other code of the program (a
    // change of the entries, say): rows worked out before that are out of date.
    const std::uint64_t changesBefore = changes_;
    DWORD lastAsked = GetTickCount();
    auto stopped = [&] {
        if (changes_ != changesBefore) return true;
        if (GetTickCount() - lastAsked < kAskEveryMs) return false;
        lastAsked = GetTickCount();
        return keyWaiting();
    };
    vault::ShownRows rows;
    if (!filter.empty()) {
        // Typing on only narrows what is shown: the rows shown are all that need a look.
        const vault::ShownRows* among = filtered() && filter.narrows(filter_) ? &rows_ : nullptr;
        if (!vault::collectShownRows(entries_, filter, {}, among, rows, stopped)) return false;
    }
    if (keyWaiting() || changes_ != changesBefore) return false;
    const std::vector<vault::EntryId> keep = selectedIds();
    filter_ = std::move(filter);
    kept_.clear();
    rows_.swap(rows);
    if (!refresh(keep) && shownCount() > 0) ListView_EnsureVisible(hwnd_, 0, FALSE);
    return true;
}

bool EntryListView::selectFirstRow() {
    if (!hwnd_ || shownCount() == 0) return false;
    clearSelection();
    ListView_SetItemState(hwnd_, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(hwnd_, 0, FALSE);
    return true;
}

void EntryListView::setLocked(bool locked) {
    locked_ = locked;
    refresh({});
}

void EntryListView::setPasswordsShown(bool shown) {
    passwordsShown_ = shown;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void EntryListView::fillDisplayInfo(NMLVDISPINFOW& info) const {
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    item.pszText[0] = L'\0';
    if (item.iItem < 0 || item.iSubItem < 0 || item.iSubItem >= vault::EntryList::kColumns) return;
    auto place = placeOfRow(static_cast<size_t>(item.iItem));
    if (!place) return;
    std::string_view text = vault::EntryList::field(entries_.at(*place), item.iSubItem);
    if (text.empty()) return;
    if (item.iSubItem == static_cast<int>(vault::Field::Password) && !passwordsShown_) {
        // The same row of dots for every password: it tells nothing of the password, not even its length.
        lstrcpynW(item.pszText, kHiddenPassword, item.cchTextMax);
        return;
    }
    // As much of the text as the list asks for; the rest is never drawn.
    const SecretWString wide = widenSecret(text.substr(0, kMaxShownBytes));
    size_t n = std::min(wide.size(), static_cast<size_t>(item.cchTextMax - 1));
    wide.copy(item.pszText, n);
    item.pszText[n] = L'\0';
}

bool EntryListView::handleNotify(const NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != hwnd_) return false;
    switch (header.code) {
    case LVN_GETDISPINFOW:
        fillDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
        result = 0;
        return true;
    case LVN_COLUMNCLICK:
        if (onColumnClick) onColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem + 1);
        result = 0;
        return true;
    case LVN_ODFINDITEMW:
        result = findRow(reinterpret_cast<const NMLVFINDITEMW&>(header));
        return true;
    }
    return false;
}

// Typing in the list selects the next row whose username starts with the letters typed, as a
// list that holds its own rows does; a virtual list asks its owner to search. Only rows shown count.
int EntryListView::findRow(const NMLVFINDITEMW& find) const {
    if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return -1;
    AnsiText typed = narrow(find.lvfi.psz);
    if (!typed.complete || typed.text.empty()) return -1;
    const int wanted = static_cast<int>(typed.text.size());
    const bool partial = (find.lvfi.flags & LVFI_PARTIAL) != 0;
    auto matches = [&](size_t row) {
        auto place = placeOfRow(row);
        if (!place) return false;
        std::string_view name = entries_.at(*place).username;
        if (partial ? name.size() < typed.text.size() : name.size() != typed.text.size()) return false;
        return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name.data(), wanted, typed.text.data(), wanted) ==
               CSTR_EQUAL;
    };
    const size_t count = shownCount();
    const size_t start = find.iStart >= 0 && static_cast<size_t>(find.iStart) < count ? find.iStart : 0;
    for (size_t row = start; row < count; ++row)
        if (matches(row)) return static_cast<int>(row);
    if (find.lvfi.flags & LVFI_WRAP)
        for (size_t row = 0; row < start; ++row)
            if (matches(row)) return static_cast<int>(row);
    return -1;
}

}  // namespace vk

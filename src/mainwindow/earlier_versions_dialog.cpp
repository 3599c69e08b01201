#include "mainwindow/earlier_versions_dialog.h"

#include <commctrl.h>

#include "platform/message_box.h"
#include "platform/text.h"
#include "skin/skin.h"
#include "skin/skin_label.h"

namespace vk {
namespace {

constexpr int kMargin = 120;
constexpr int kMessageHeight = 450;
constexpr int kListTop = kMargin + kMessageHeight + 60;
constexpr int kButtonHeight = 495;
constexpr int kButtonsTop = EarlierVersionsDialog::kClientHeight - kMargin - kButtonHeight;
constexpr int kListHeight = kButtonsTop - 120 - kListTop;
constexpr int kKeptColumnWidth = 3600;

void addColumn(HWND list, int index, const wchar_t* caption, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(caption);
    column.cx = width;
    SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

void setCell(HWND list, size_t row, int column, const std::string& ansi) {
    std::wstring text = widen(ansi);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(row);
    item.iSubItem = column;
    item.pszText = text.data();
    SendMessageW(list, column == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

void EarlierVersionsDialog::open(std::vector<Row> rows) {
    rows_ = std::move(rows);
    if (isLoaded()) {
        fillList();
        return show();
    }
    load();
    show();
}

void EarlierVersionsDialog::create() {
    Frame frame;
    frame.caption = "Earlier Versions";
    frame.style = kFixedSingleBorder;
    frame.clientWidth = kClientWidth;
    frame.clientHeight = kClientHeight;
    if (!createProgramFrame(frame)) return;

    messageLabel = &createSkinLabel(*this, MessageLabel,
                                    "Before it saves, Vellumkeep keeps the vault file as it was, once an hour at "
                                    "most.  Choose a version to make it the vault again.",
                                    kMargin, kMargin, kClientWidth - 2 * kMargin, kMessageHeight);
    constexpr DWORD kListStyle = WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_NOSORTHEADER | LVS_SINGLESEL |
                                 LVS_SHOWSELALWAYS;
    versionList = &createControl(ControlKind::ListView, VersionList, WC_LISTVIEWW, kListStyle, WS_EX_CLIENTEDGE, "",
                                 kMargin, kListTop, kClientWidth - 2 * kMargin, kListHeight);
    ListView_SetExtendedListViewStyle(versionList->hwnd(), LVS_EX_FULLROWSELECT);
    addColumn(versionList->hwnd(), 0, L"Kept", toPixels(kKeptColumnWidth));
    addColumn(versionList->hwnd(), 1, L"Entries", toPixels(kClientWidth - 2 * kMargin - kKeptColumnWidth - 360));
    restoreButton = &createButton(RestoreButton, "Restore", kClientWidth - kMargin - 1035 - 105 - 1095, kButtonsTop,
                                  1095, kButtonHeight);
    closeButton = &createButton(CloseButton, "Close", kClientWidth - kMargin - 1035, kButtonsTop, 1035, kButtonHeight);
    setTabOrder({messageLabel, versionList, restoreButton, closeButton});
    setInitialFocus(versionList);
    restoreButton->onClick = [this] { onRestoreClick(); };
    closeButton->onClick = [this] { onCloseClick(); };
}

void EarlierVersionsDialog::onLoad() {
    fillList();
    standAboveKeptOnTop();
    centreOnScreen();
    if (skinning_.skinEnabled) skinWindow(skinning_, *this);
}

void EarlierVersionsDialog::onMenu(int commandId) {
    // Enter and Escape, as a dialog's keys.
    if (commandId == IDOK) onRestoreClick();
    if (commandId == IDCANCEL) onCloseClick();
}

void EarlierVersionsDialog::fillList() {
    HWND list = versionList->hwnd();
    ListView_DeleteAllItems(list);
    for (size_t row = 0; row < rows_.size(); ++row) {
        setCell(list, row, 0, rows_[row].keptAt);
        setCell(list, row, 1, rows_[row].entries);
    }
    if (!rows_.empty()) selectRow(0);
    EnableWindow(restoreButton->hwnd(), !rows_.empty());
}

std::optional<size_t> EarlierVersionsDialog::selectedRow() const {
    const int row = ListView_GetNextItem(versionList->hwnd(), -1, LVNI_SELECTED);
    if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return std::nullopt;
    return static_cast<size_t>(row);
}

void EarlierVersionsDialog::selectRow(size_t row) {
    const UINT state = LVIS_SELECTED | LVIS_FOCUSED;
    ListView_SetItemState(versionList->hwnd(), static_cast<int>(row), state, state);
    ListView_EnsureVisible(versionList->hwnd(), static_cast<int>(row), FALSE);
}

void EarlierVersionsDialog::onRestoreClick() {
    const std::optional<size_t> row = selectedRow();
    if (!row) {
        messageBox(hwnd(), "Choose the version to restore in the list first.", host_.appTitle(),
                   MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (!rows_[*row].restorable) {
        messageBox(hwnd(), "This version cannot be read, so it cannot be restored: " + rows_[*row].entries,
                   host_.appTitle(), MB_OK | MB_ICONWARNING);
        return;
    }
    host_.restoreVersionAsked(*row);
}

}  // namespace vk

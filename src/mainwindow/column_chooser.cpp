#include "mainwindow/column_chooser.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "platform/text.h"
#include "skin/skin.h"
#include "skin/skin_label.h"

namespace vk {
namespace {

// Layout in twips: the message, the preview, then two columns of labelled lists, then the buttons.
constexpr int kMargin = 120;
constexpr int kMessageHeight = 660;  // three lines
constexpr int kPreviewTop = kMargin + kMessageHeight + 60;
constexpr int kPreviewHeight = 2400;
constexpr int kFirstRowTop = kPreviewTop + kPreviewHeight + 180;
constexpr int kRowHeight = 420;
constexpr int kListHeight = 2400;  // of a drop-down list when it is open
constexpr int kLabelWidth = 1740;
constexpr int kFieldBoxLeft = kMargin + kLabelWidth;
constexpr int kFieldBoxWidth = 2760;
constexpr int kRightLabelLeft = 5040;
constexpr int kRightBoxLeft = 6240;
constexpr int kRightBoxWidth = ColumnChooser::kClientWidth - kMargin - kRightBoxLeft;
constexpr int kButtonsTop = kFirstRowTop + 3 * kRowHeight + 60;
constexpr int kButtonHeight = 495;
constexpr int kMaxColumnWidth = 3000;
constexpr int kColumnPadding = 240;  // around a column's name in its header
// Longer than any field the import takes (vault::kMaxImportedFieldLength), counting its end.
constexpr size_t kMaxCellText = 8192;

constexpr std::string_view kNoColumnChoice = "(none)";

std::wstring wide(std::string_view utf8) { return utf8ToWide(utf8); }

void fillList(HWND box, const std::vector<std::string>& items, int chosen) {
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items)
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(item).c_str()));
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
}

int chosenItem(const Control* box) { return static_cast<int>(SendMessageW(box->hwnd(), CB_GETCURSEL, 0, 0)); }

}  // namespace

std::vector<std::string> columnChoices(const vault::CsvPreview& preview) {
    std::vector<std::string> choices{std::string(kNoColumnChoice)};
    choices.insert(choices.end(), preview.columns.begin(), preview.columns.end());
    return choices;
}

int choiceOfColumn(size_t column, size_t columnCount) {
    return column < columnCount ? static_cast<int>(column) + 1 : 0;
}

size_t columnOfChoice(int choice) { return choice > 0 ? static_cast<size_t>(choice - 1) : vault::kNoColumn; }

std::vector<std::string> separatorChoices() { return {"Comma (,)", "Semicolon (;)", "Tab"}; }

int choiceOfSeparator(char separator) {
    const auto* at = std::find(std::begin(vault::kCsvSeparators), std::end(vault::kCsvSeparators), separator);
    return at == std::end(vault::kCsvSeparators) ? 0 : static_cast<int>(at - std::begin(vault::kCsvSeparators));
}

namespace {

std::string whyColumnsAreAsked(const vault::CsvGuess& guess, const vault::CsvPreview& preview) {
    switch (guess.doubt) {
    case vault::CsvDoubt::None:
    case vault::CsvDoubt::NoPasswordColumn:
        if (!guess.layout.firstRowNames)
            return "The first row of this file does not name its columns. Choose the columns that hold the "
                   "usernames, the passwords and the Website/Location of the logins below.";
        return "The first row of this file names no password column that Vellumkeep knows. Choose the columns "
               "that hold the usernames, the passwords and the Website/Location.";
    case vault::CsvDoubt::NoUsernameColumn:
        return "The first row of this file names no column for the username. Choose the column that holds it: "
               "logins without a username are not imported.";
    case vault::CsvDoubt::NoLocationColumn:
        return "The first row of this file names no column for the Website/Location. Choose the column that "
               "holds it, or (none) to import the logins without one.";
    case vault::CsvDoubt::UnknownColumn: break;
    }
    const size_t column = guess.doubtfulColumn;
    const std::string name =
        column < preview.columns.size() ? preview.columns[column] : "Column " + std::to_string(column + 1);
    return "Vellumkeep does not know what the column \"" + name +
           "\" holds, and most rows have text in it. Check the columns to import: the others are left out.";
}

}  // namespace

std::string columnDoubtMessage(const vault::CsvGuess& guess, const vault::CsvPreview& preview) {
    std::string message = whyColumnsAreAsked(guess, preview);
    if (preview.columnsLeftOut > 0)
        message += " Only the first " + std::to_string(preview.columns.size()) + " columns are shown; the file has " +
                   withThousands(preview.columnsLeftOut) + " more.";
    return message;
}

bool takesCredentials(const vault::CsvLayout& layout) {
    return layout.username != vault::kNoColumn && layout.password != vault::kNoColumn;
}

// ---- The window ----

void ColumnChooser::open(std::wstring path, vault::CsvText text, const vault::CsvGuess& guess) {
    unload();
    path_ = std::move(path);
    text_ = std::move(text);
    guess_ = guess;
    reading_ = guess.layout;
    load();
    show();
}

void ColumnChooser::create() {
    Frame frame;
    frame.caption = "Choose Columns";
    frame.style = kFixedSingleBorder;
    frame.clientWidth = kClientWidth;
    frame.clientHeight = kButtonsTop + kButtonHeight + kMargin;
    if (!createProgramFrame(frame)) return;

    messageLabel = &createSkinLabel(*this, MessageLabel, "", kMargin, kMargin, kClientWidth - 2 * kMargin,
                                    kMessageHeight);
    constexpr DWORD kPreviewStyle = WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_NOSORTHEADER | LVS_SINGLESEL;
    previewList = &createControl(ControlKind::ListView, PreviewList, WC_LISTVIEWW, kPreviewStyle, WS_EX_CLIENTEDGE, "",
                                 kMargin, kPreviewTop, kClientWidth - 2 * kMargin, kPreviewHeight);
    ListView_SetExtendedListViewStyle(previewList->hwnd(), LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    // Each list's id follows its label's.
    auto field = [&](int row, int labelId, const char* caption, Control*& label, DropDownList*& box) {
        const int top = kFirstRowTop + row * kRowHeight;
        label = &createSkinLabel(*this, labelId, caption, kMargin, top + 45, kLabelWidth - 60, 255);
        box = &createDropDownList(labelId + 1, kFieldBoxLeft, top, kFieldBoxWidth, kListHeight);
        box->onSelectionChange = [this] { onFieldChange(); };
    };
    field(0, UsernameLabel, "Username:", usernameLabel, usernameBox);
    field(1, PasswordLabel, "Password:", passwordLabel, passwordBox);
    field(2, LocationLabel, "Website/Location:", locationLabel, locationBox);
    separatorLabel = &createSkinLabel(*this, SeparatorLabel, "Separator:", kRightLabelLeft, kFirstRowTop + 45,
                                      kRightBoxLeft - kRightLabelLeft - 60, 255);
    separatorBox = &createDropDownList(SeparatorBox, kRightBoxLeft, kFirstRowTop, kRightBoxWidth, kListHeight);
    firstRowBox = &createCheckBox(FirstRowBox, "First row holds column names", kRightLabelLeft,
                                  kFirstRowTop + kRowHeight + 30, kClientWidth - kMargin - kRightLabelLeft, 255);
    okButton = &createButton(OkButton, "OK", kClientWidth - kMargin - 1035 - 105 - 1095, kButtonsTop, 1095,
                             kButtonHeight);
    cancelButton = &createButton(CancelButton, "Cancel", kClientWidth - kMargin - 1035, kButtonsTop, 1035,
                                 kButtonHeight);
    // Each list right after its label: screen readers name a box by the label before it.
    setTabOrder({messageLabel, previewList, usernameLabel, usernameBox, passwordLabel, passwordBox, locationLabel,
                 locationBox, separatorLabel, separatorBox, firstRowBox, okButton, cancelButton});
    setInitialFocus(usernameBox);
    separatorBox->onSelectionChange = [this] { onReadingChange(); };
    firstRowBox->onClick = [this] { onReadingChange(); };
    okButton->onClick = [this] { onOkClick(); };
    cancelButton->onClick = [this] { onCancelClick(); };
}

void ColumnChooser::onLoad() {
    fillList(separatorBox->hwnd(), separatorChoices(), choiceOfSeparator(reading_.separator));
    firstRowBox->setChecked(reading_.firstRowNames);
    const vault::CsvPreview preview = showReading(reading_);
    SetWindowTextW(messageLabel->hwnd(), wide(columnDoubtMessage(guess_, preview)).c_str());
    standAboveKeptOnTop();
    centreOnScreen();
    if (skinning_.skinEnabled) skinWindow(skinning_, *this);
}

void ColumnChooser::onUnload(bool&) {
    // The file's text may be large: it goes with the dialog, wiped, as what the list shows of it.
    blankPreview();
    SecretString().swap(text_.utf8);
    path_ = {};
}

void ColumnChooser::onMenu(int commandId) {
    if (commandId == IDOK) onOkClick();
    if (commandId == IDCANCEL) onCancelClick();
}

vault::CsvPreview ColumnChooser::showReading(const vault::CsvLayout& reading) {
    const vault::CsvPreview preview = vault::csvPreviewOf(text_.utf8, reading, kPreviewRows, kPreviewColumns);
    fillPreview(preview);
    const std::vector<std::string> choices = columnChoices(preview);
    const size_t columns = preview.columns.size();
    fillList(usernameBox->hwnd(), choices, choiceOfColumn(reading.username, columns));
    fillList(passwordBox->hwnd(), choices, choiceOfColumn(reading.password, columns));
    fillList(locationBox->hwnd(), choices, choiceOfColumn(reading.location, columns));
    onFieldChange();
    return preview;
}

void ColumnChooser::fillPreview(const vault::CsvPreview& preview) {
    HWND list = previewList->hwnd();
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    blankPreview();
    ListView_DeleteAllItems(list);
    while (ListView_DeleteColumn(list, 0)) {
    }
    for (size_t i = 0; i < preview.columns.size(); ++i) {
        std::wstring name = wide(preview.columns[i]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = name.data();
        column.cx = toPixels(1200);
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    for (size_t row = 0; row < preview.rows.size(); ++row) {
        for (size_t i = 0; i < preview.rows[row].size() && i < preview.columns.size(); ++i) {
            SecretWString text = utf8ToWideSecret(preview.rows[row][i]);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(row);
            item.iSubItem = static_cast<int>(i);
            item.pszText = text.data();
            SendMessageW(list, i == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        }
    }
    // Each column as wide as its name and its text, within reason: a long note must not hide the
    // columns after it.
    for (size_t i = 0; i < preview.columns.size(); ++i) {
        const int column = static_cast<int>(i);
        ListView_SetColumnWidth(list, column, LVSCW_AUTOSIZE);
        const std::wstring name = wide(preview.columns[i]);
        const int nameWidth =
            static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(name.c_str())));
        const int width = std::max(ListView_GetColumnWidth(list, column), nameWidth + toPixels(kColumnPadding));
        ListView_SetColumnWidth(list, column, std::min(width, toPixels(kMaxColumnWidth)));
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void ColumnChooser::blankPreview() {
    HWND list = previewList->hwnd();
    const int rows = ListView_GetItemCount(list);
    const int columns = Header_GetItemCount(ListView_GetHeader(list));
    // A text of the same length takes the old one's place in the list's own memory.
    SecretWString text(kMaxCellText, L'\0');
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = text.data();
            item.cchTextMax = static_cast<int>(text.size());
            const auto length =
                static_cast<size_t>(SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
            std::wstring blank(length, L' ');
            item.pszText = blank.data();
            SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        }
}

char ColumnChooser::chosenSeparator() const {
    const int choice = chosenItem(separatorBox);
    const bool known = choice >= 0 && choice < static_cast<int>(std::size(vault::kCsvSeparators));
    return vault::kCsvSeparators[known ? choice : 0];
}

bool ColumnChooser::firstRowNames() const {
    return firstRowBox->checked();
}

vault::CsvLayout ColumnChooser::chosenLayout() const {
    vault::CsvLayout layout = reading_;
    layout.username = columnOfChoice(chosenItem(usernameBox));
    layout.password = columnOfChoice(chosenItem(passwordBox));
    layout.location = columnOfChoice(chosenItem(locationBox));
    return layout;
}

void ColumnChooser::onReadingChange() {
    reading_ = vault::guessColumns(text_.utf8, chosenSeparator(), firstRowNames());
    showReading(reading_);
}

void ColumnChooser::onFieldChange() { EnableWindow(okButton->hwnd(), takesCredentials(chosenLayout())); }

void ColumnChooser::onOkClick() {
    const vault::CsvLayout layout = chosenLayout();
    if (!takesCredentials(layout)) return;
    host_.columnsChosen(std::move(path_), std::move(text_), layout);
    unload();
}

void ColumnChooser::onCancelClick() { unload(); }

}  // namespace vk

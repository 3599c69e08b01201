#pragma once
// The dialog that asks which columns of a CSV file hold the username, the password and the
// Website/Location, when the file does not say so itself: no header row the import knows, or a
// column in doubt. It previews the file's first rows; changing the separator or whether the first
// row names the columns reads them again.
#include <string>
#include <string_view>
#include <vector>

#include "platform/window.h"
#include "vault/entry_csv.h"

namespace vk {

struct Skinning;

// What the dialog shows, worked out without a window. Texts are UTF-8, as the file's.

// The choices of each field's list: "(none)", then every column by its name or number.
std::vector<std::string> columnChoices(const vault::CsvPreview& preview);
// The list item that stands for a column (0 for none, or for a column the reading does not have),
// and the column an item stands for.
int choiceOfColumn(size_t column, size_t columnCount);
size_t columnOfChoice(int choice);
// The separators as the user is offered them, in the order of vault::kCsvSeparators.
std::vector<std::string> separatorChoices();
int choiceOfSeparator(char separator);
// Why the columns are asked for, told above the preview, and how many columns it leaves out.
std::string columnDoubtMessage(const vault::CsvGuess& guess, const vault::CsvPreview& preview);
// Whether the layout can import anything: it takes the username and the password from columns, as
// the entry editor takes no entry without both.
bool takesCredentials(const vault::CsvLayout& layout);

class ColumnChooser : public Window {
public:
    static constexpr int kClientWidth = 9000;  // twips
    static constexpr size_t kPreviewRows = 8;
    // A list view takes time that grows with the square of its columns: a file of thousands would
    // keep the dialog from answering. The lists offer the same columns.
    static constexpr size_t kPreviewColumns = 100;

    // Each list's id follows its label's.
    enum ControlId : int {
        MessageLabel = kFirstControlId,
        PreviewList,
        UsernameLabel,
        UsernameBox,
        PasswordLabel,
        PasswordBox,
        LocationLabel,
        LocationBox,
        SeparatorLabel,
        SeparatorBox,
        FirstRowBox,
        OkButton,
        CancelButton,
    };

    // What the dialog asks of the program around it.
    class Host {
    public:
        // The user chose how to read the file's text: the program imports its rows so, once the
        // dialog's handler is over.
        virtual void columnsChosen(std::wstring path, vault::CsvText text, const vault::CsvLayout& layout) = 0;

    protected:
        ~Host() = default;
    };

    ColumnChooser(Host& host, Skinning& skinning) : host_(host), skinning_(skinning) {}

    // Opens the dialog on a file's text with the import's guess chosen; a dialog already open for
    // another file gives way to it.
    void open(std::wstring path, vault::CsvText text, const vault::CsvGuess& guess);
    // The layout as the controls choose it now.
    vault::CsvLayout chosenLayout() const;

    void onOkClick();
    void onCancelClick();
    // The separator or the first row's role changed: the rows are read again.
    void onReadingChange();
    void onFieldChange();

protected:
    void create() override;
    void onLoad() override;
    void onUnload(bool& cancel) override;
    // Enter and Escape, as dialog navigation sends them.
    void onMenu(int commandId) override;

private:
    // Shows the text as `reading` reads it: the preview, and each field's list with its column
    // chosen. Returns the preview.
    vault::CsvPreview showReading(const vault::CsvLayout& reading);
    void fillPreview(const vault::CsvPreview& preview);
    // Overwrites the preview's texts where the list keeps them, so that none is freed unwiped.
    void blankPreview();
    char chosenSeparator() const;
    bool firstRowNames() const;

    Control* messageLabel = nullptr;
    Control* previewList = nullptr;
    Control* usernameLabel = nullptr;
    DropDownList* usernameBox = nullptr;
    Control* passwordLabel = nullptr;
    DropDownList* passwordBox = nullptr;
    Control* locationLabel = nullptr;
    DropDownList* locationBox = nullptr;
    Control* separatorLabel = nullptr;
    DropDownList* separatorBox = nullptr;
    CheckBox* firstRowBox = nullptr;
    Button* okButton = nullptr;
    Button* cancelButton = nullptr;

    Host& host_;
    Skinning& skinning_;
    std::wstring path_;
    vault::CsvText text_;
    vault::CsvGuess guess_;
    // The stand-in columns (title, e-mail) of the current reading, which the lists do not show.
    vault::CsvLayout reading_;
};

}  // namespace vk

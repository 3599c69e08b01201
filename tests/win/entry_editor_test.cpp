// The entry editor entryEditor, driven through the main window's commands: its layout and focus, the
// checks on Save, what it writes to the list and the vault, and how it keeps to the entry it
// opened while the list changes under it.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "platform/text.h"
#include "vault_samples.h"
#include "vault/vault_format.h"

namespace vk::test {
namespace {

using vault::Entry;

// What the user can see of the entries and what the vault holds; a change that "changes
// nothing" leaves all three as they were.
struct Snapshot {
    std::vector<Entry> shown;
    std::string fileBytes;
    std::string status;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

class EntryEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.writeVault("master", {{"alice", "pw-a", "georgetown"},
                                      {"bob", "pw-b", "www.example.com"},
                                      {"carol", "pw-c", ""}});
        program.logIn("master");
    }

    MainWindow& form() { return program->mainWindow(); }
    EntryEditor& editor() { return program->entryEditor(); }
    HWND list() { return form().entryList.hwnd(); }

    std::vector<Entry> shownEntries() { return test::shownEntries(list()); }
    std::vector<Entry> storedEntries() { return vault::entriesOf(program.vaultBytes()); }
    Snapshot snapshot() { return {shownEntries(), program.vaultBytes(), form().statusText()}; }

    // Selects one row (0-based) as a click on it would.
    void selectRow(int row) {
        ListView_SetItemState(list(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(list(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    int rowOf(const std::string& username) {
        for (int row = 0; row < listCount(list()); ++row)
            if (listText(list(), row, 0) == username) return row;
        return -1;
    }
    void clickHeader(int column) { test::clickHeader(form(), column); }

    void openAdd() {
        click(form().control(MainWindow::AddButton));
        ASSERT_TRUE(editor().isLoaded());
    }
    void openEdit(const std::string& username) {
        int row = rowOf(username);
        ASSERT_GE(row, 0) << username;
        selectRow(row);
        click(form().control(MainWindow::EditButton));
        ASSERT_TRUE(editor().isLoaded());
    }
    void type(const Entry& entry) {
        setText(editor().control(EntryEditor::UsernameBox), entry.username);
        setText(editor().control(EntryEditor::PasswordBox), entry.password);
        setText(editor().control(EntryEditor::WebsiteBox), entry.location);
    }
    Entry boxes() {
        return {editor().control(EntryEditor::UsernameBox)->text(), editor().control(EntryEditor::PasswordBox)->text(),
                editor().control(EntryEditor::WebsiteBox)->text()};
    }
    void save() { click(editor().control(EntryEditor::SaveButton)); }

    // Whether `upper` lies above `lower` among the top-level windows.
    static bool isAbove(HWND upper, HWND lower) {
        for (HWND w = GetWindow(lower, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV))
            if (w == upper) return true;
        return false;
    }

    // After a save: the vault holds exactly the list's entries, in display order.
    void expectVaultHoldsTheList() {
        EXPECT_EQ(storedEntries(), shownEntries());
        EXPECT_EQ(vault::storedPasswordOf(program.vaultBytes()), "master");
    }

    TestProgram program;
    MessageBoxes messageBoxes;
};

// ---- Layout and opening ----

TEST_F(EntryEditorTest, AddOpensAnEmptyDialogWithTheFocusOnCancel) {
    openAdd();
    EXPECT_EQ(focusOnceActive(editor().hwnd()), editor().control(EntryEditor::CancelButton)->hwnd());
    EXPECT_EQ(editor().caption(), "Add an entry");
    EXPECT_TRUE(editor().visible());
    EXPECT_EQ(boxes(), (Entry{"", "", ""}));
    EXPECT_EQ(editor().control(EntryEditor::CancelButton)->text(), "Cancel");
    EXPECT_EQ(editor().control(EntryEditor::GenerateButton)->text(), "Generate...");
    EXPECT_EQ(editor().control(EntryEditor::SaveButton)->text(), "Save");
    EXPECT_EQ(editor().control(EntryEditor::UsernameLabel)->text(), "Username:");
    EXPECT_EQ(editor().control(EntryEditor::PasswordLabel)->text(), "Password:");
    EXPECT_EQ(editor().control(EntryEditor::WebsiteLabel)->text(), "Website:");

    // No default button: Enter is no shortcut for either of them.
    for (Control* button : {editor().control(EntryEditor::CancelButton), editor().control(EntryEditor::SaveButton)}) {
        LONG style = GetWindowLongW(button->hwnd(), GWL_STYLE);
        EXPECT_NE(style & BS_TYPEMASK, BS_DEFPUSHBUTTON) << button->id();
        EXPECT_FALSE(SendMessageW(button->hwnd(), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) << button->id();
    }
    LRESULT defId = SendMessageW(editor().hwnd(), DM_GETDEFID, 0, 0);
    EXPECT_NE(HIWORD(defId), DC_HASDEFID);

    // The password is shown as typed; no box has a length limit.
    EXPECT_EQ(SendMessageW(editor().control(EntryEditor::PasswordBox)->hwnd(), EM_GETPASSWORDCHAR, 0, 0), 0);
    EXPECT_FALSE(GetWindowLongW(editor().control(EntryEditor::PasswordBox)->hwnd(), GWL_STYLE) & ES_PASSWORD);
    std::string longText(40000, 'x');
    setText(editor().control(EntryEditor::WebsiteBox), longText);
    EXPECT_EQ(editor().control(EntryEditor::WebsiteBox)->text(), longText);
}

TEST_F(EntryEditorTest, ControlsTakeTheFocusInTabOrder) {
    openAdd();
    // Tab moves Cancel, Save, Username, Password, Generate, Website, and round again to Cancel.
    std::vector<HWND> expected = {
        editor().control(EntryEditor::SaveButton)->hwnd(),     editor().control(EntryEditor::UsernameBox)->hwnd(),
        editor().control(EntryEditor::PasswordBox)->hwnd(),    editor().control(EntryEditor::GenerateButton)->hwnd(),
        editor().control(EntryEditor::WebsiteBox)->hwnd(),     editor().control(EntryEditor::CancelButton)->hwnd()};
    HWND at = editor().control(EntryEditor::CancelButton)->hwnd();
    for (HWND next : expected) {
        at = GetNextDlgTabItem(editor().hwnd(), at, FALSE);
        EXPECT_EQ(at, next) << (editor().controlFromHwnd(at) ? editor().controlFromHwnd(at)->id() : 0);
    }
    // The labels sit between in the controls' order, as their tab positions say.
    std::vector<int> order;
    for (HWND child = GetWindow(editor().hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (Control* control = editor().controlFromHwnd(child)) order.push_back(control->id());
    EXPECT_EQ(order, (std::vector<int>{EntryEditor::CancelButton, EntryEditor::SaveButton, EntryEditor::UsernameLabel,
                                       EntryEditor::UsernameBox, EntryEditor::PasswordLabel, EntryEditor::PasswordBox,
                                       EntryEditor::GenerateButton, EntryEditor::WebsiteLabel,
                                       EntryEditor::WebsiteBox}));

    LOGFONTW font{};
    ASSERT_TRUE(GetObjectW(editor().control(EntryEditor::UsernameLabel)->font(), sizeof font, &font));
    EXPECT_STREQ(font.lfFaceName, L"Verdana");
}

TEST_F(EntryEditorTest, EditOpensWithTheSelectedEntryInClearText) {
    openEdit("bob");
    EXPECT_EQ(editor().caption(), "Edit an entry");
    EXPECT_EQ(boxes(), (Entry{"bob", "pw-b", "www.example.com"}));
    EXPECT_EQ(SendMessageW(editor().control(EntryEditor::PasswordBox)->hwnd(), EM_GETPASSWORDCHAR, 0, 0), 0);
}

// ---- Save ----

TEST_F(EntryEditorTest, SaveAsksForAUsernameFirstThenForAPassword) {
    openAdd();
    Snapshot before = snapshot();
    messageBoxes.answer(IDOK);
    save();  // everything empty: only the username is asked for
    setText(editor().control(EntryEditor::UsernameBox), "dave");
    messageBoxes.answer(IDOK);
    save();
    setText(editor().control(EntryEditor::UsernameBox), "");
    setText(editor().control(EntryEditor::PasswordBox), "secret");
    messageBoxes.answer(IDOK);
    save();

    ASSERT_EQ(messageBoxes.seen().size(), 3u);
    const char* texts[] = {"You must enter a username", "You must enter a password", "You must enter a username"};
    for (size_t i = 0; i < 3; ++i) {
        const SeenBox& box = messageBoxes.seen()[i];
        EXPECT_EQ(box.text, texts[i]);
        EXPECT_EQ(box.title, "Error");
        EXPECT_TRUE(box.hasOk);
        EXPECT_FALSE(box.hasCancel || box.hasYes || box.hasNo || box.hasRetry);
        EXPECT_FALSE(box.hasIcon);
    }
    EXPECT_EQ(messageBoxes.unexpected(), 0);
    EXPECT_TRUE(editor().isLoaded());
    EXPECT_EQ(boxes(), (Entry{"", "secret", ""}));
    EXPECT_EQ(snapshot(), before);
}

TEST_F(EntryEditorTest, AddAppendsTheEntryAndRewritesTheVault) {
    openAdd();
    type({"dave", " ", ""});  // one space is a password; the location may be empty
    save();
    EXPECT_FALSE(editor().isLoaded());
    EXPECT_EQ(form().statusText(), "Added new entry.  Data saved.");
    ASSERT_EQ(listCount(list()), 4);
    EXPECT_EQ(shownEntries().back(), (Entry{"dave", " ", ""}));
    expectVaultHoldsTheList();

    // Duplicates are entries like any other.
    openAdd();
    type({"dave", " ", ""});
    pressEnter(editor().control(EntryEditor::WebsiteBox));
    EXPECT_FALSE(editor().isLoaded());
    EXPECT_EQ(listCount(list()), 5);
    expectVaultHoldsTheList();
    EXPECT_EQ(messageBoxes.seen().size(), 0u);
}

TEST_F(EntryEditorTest, EnterSavesOnlyFromTheWebsiteBox) {
    openAdd();
    type({"erin", "pw-e", "erin.example"});
    Snapshot before = snapshot();
    pressEnter(editor().control(EntryEditor::UsernameBox));
    pressEnter(editor().control(EntryEditor::PasswordBox));
    pumpFor(50);
    EXPECT_TRUE(editor().isLoaded());
    EXPECT_EQ(boxes(), (Entry{"erin", "pw-e", "erin.example"}));
    EXPECT_EQ(snapshot(), before);

    pressEnter(editor().control(EntryEditor::WebsiteBox));
    EXPECT_FALSE(editor().isLoaded());
    EXPECT_EQ(shownEntries().back(), (Entry{"erin", "pw-e", "erin.example"}));
    EXPECT_EQ(form().statusText(), "Added new entry.  Data saved.");
    expectVaultHoldsTheList();
    EXPECT_EQ(messageBoxes.seen().size(), 0u);
}

TEST_F(EntryEditorTest, CancelAndTheCloseBoxChangeNothing) {
    program->mainWindow().setStatusText("before");
    Snapshot before = snapshot();

    openAdd();
    type({"frank", "pw-f", "x"});
    click(editor().control(EntryEditor::CancelButton));
    EXPECT_FALSE(editor().isLoaded());
    EXPECT_EQ(snapshot(), before);

    openEdit("alice");
    type({"changed", "changed", "changed"});
    SendMessageW(editor().hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(editor().isLoaded());
    EXPECT_EQ(snapshot(), before);

    // The next opening starts afresh.
    openAdd();
    EXPECT_EQ(boxes(), (Entry{"", "", ""}));
    EXPECT_EQ(messageBoxes.seen().size(), 0u);
}

TEST_F(EntryEditorTest, EditReplacesThatEntryWithTheSameMessage) {
    openEdit("bob");
    type({"bobby", "new-pw", ""});
    save();
    EXPECT_FALSE(editor().isLoaded());
    EXPECT_EQ(form().statusText(), "Added new entry.  Data saved.");
    EXPECT_EQ(shownEntries(), (std::vector<Entry>{{"alice", "pw-a", "georgetown"},
                                                  {"bobby", "new-pw", ""},
                                                  {"carol", "pw-c", ""}}));
    expectVaultHoldsTheList();
}

TEST_F(EntryEditorTest, AFieldTheBoxCannotShowWholeIsKeptUnlessTheUserChangesIt) {
    const std::string withNul("ab\0cd", 5);  // as a foreign file may hold it
    program->vault().addEntry(Entry{withNul, "pw-d", withNul});
    openEdit("ab");  // the list shows it cut too
    setText(editor().control(EntryEditor::PasswordBox), "new-pw");
    setText(editor().control(EntryEditor::WebsiteBox), "abx");
    save();
    EXPECT_EQ(storedEntries().back(), (Entry{withNul, "new-pw", "abx"}));
}

// ---- Text the vault cannot store ----

struct Unstorable {
    const char* what;
    int field;  // 0 Username, 1 Password, 2 Website
    std::wstring text;
    const char* mentions;  // part of the message that says why
};

TEST_F(EntryEditorTest, TextTheVaultCannotStoreIsRefusedAndTheDialogStaysOpen) {
    ASSERT_EQ(GetACP(), 1252u) << "the cases below are written for the Western code page";
    const Unstorable cases[] = {
        {"separator in Username", 0, L"ab|||cd", "|||"},
        {"separator in Password", 1, L"|||", "|||"},
        {"separator in Website", 2, L"x|||y", "|||"},
        {"line break in Username", 0, L"one\r\ntwo", "line break"},
        {"line break in Password", 1, L"one\ntwo", "line break"},
        {"line break in Website", 2, L"one\r\ntwo", "line break"},
        {"code 141 in Username", 0, L"\u008D", "141"},
        {"code 141 in Password", 1, L"p\u008Dq", "141"},
        {"outside the code page in Username", 0, L"a\u4E2Db", "code page"},
        {"outside the code page in Website", 2, L"\u4E2D", "code page"},
        {"Username ending in a bar", 0, L"name|", "end with"},
        {"Password ending in a bar", 1, L"pw|", "end with"},
        {"Password beginning with a bar", 1, L"|pw", "begin with"},
        {"Website beginning with a bar", 2, L"|site", "begin with"},
    };
    const char* fieldNames[] = {"Username", "Password", "Website"};
    Snapshot before = snapshot();
    for (const Unstorable& c : cases) {
        SCOPED_TRACE(c.what);
        openAdd();
        type({"user", "pass", "place"});
        Control* box = c.field == 0   ? editor().control(EntryEditor::UsernameBox)
                       : c.field == 1 ? editor().control(EntryEditor::PasswordBox)
                                      : editor().control(EntryEditor::WebsiteBox);
        SendMessageW(box->hwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.text.c_str()));
        std::wstring typed = wideWindowText(box->hwnd());
        size_t seen = messageBoxes.seen().size();
        messageBoxes.answer(IDOK);
        save();
        ASSERT_EQ(messageBoxes.seen().size(), seen + 1);
        const SeenBox& refusal = messageBoxes.seen().back();
        EXPECT_EQ(refusal.title, "Error");
        EXPECT_NE(refusal.text.find(fieldNames[c.field]), std::string::npos) << refusal.text;
        EXPECT_NE(refusal.text.find(c.mentions), std::string::npos) << refusal.text;
        EXPECT_TRUE(editor().isLoaded());
        EXPECT_EQ(wideWindowText(box->hwnd()), typed);
        EXPECT_EQ(snapshot(), before);
        click(editor().control(EntryEditor::CancelButton));
    }
    EXPECT_EQ(messageBoxes.unexpected(), 0);

    // The same refusal in an edit leaves the entry as it was.
    openEdit("carol");
    setText(editor().control(EntryEditor::PasswordBox), "pw|");
    messageBoxes.answer(IDOK);
    save();
    EXPECT_TRUE(editor().isLoaded());
    EXPECT_EQ(snapshot(), before);
}

TEST_F(EntryEditorTest, BarsOnTheSidesAwayFromTheSeparatorAreStoredAsTyped) {
    openAdd();
    type({"|lead", "mid|dle", "trail|"});
    save();
    EXPECT_FALSE(editor().isLoaded());
    EXPECT_EQ(shownEntries().back(), (Entry{"|lead", "mid|dle", "trail|"}));
    expectVaultHoldsTheList();
    EXPECT_EQ(messageBoxes.seen().size(), 0u);
}

// ---- Keeping to the entry it opened ----

TEST_F(EntryEditorTest, ASecondAddOrEditBringsTheOpenEditorToTheFrontUnchanged) {
    openAdd();
    type({"typed", "so", "far"});
    selectRow(rowOf("alice"));
    for (Control* command : {form().control(MainWindow::AddButton), form().control(MainWindow::EditButton)}) {
        SetWindowPos(form().hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ASSERT_TRUE(isAbove(form().hwnd(), editor().hwnd()));
        click(command);
        pumpFor(20);
        EXPECT_TRUE(isAbove(editor().hwnd(), form().hwnd())) << command->id();
        EXPECT_EQ(editor().caption(), "Add an entry");
        EXPECT_EQ(boxes(), (Entry{"typed", "so", "far"}));
    }
    click(editor().control(EntryEditor::CancelButton));

    openEdit("bob");
    type({"bob", "typed", "here"});
    click(form().control(MainWindow::AddButton));
    selectRow(rowOf("carol"));
    click(form().control(MainWindow::EditButton));
    EXPECT_EQ(editor().caption(), "Edit an entry");
    EXPECT_EQ(boxes(), (Entry{"bob", "typed", "here"}));
    save();
    EXPECT_EQ(shownEntries(), (std::vector<Entry>{{"alice", "pw-a", "georgetown"},
                                                  {"bob", "typed", "here"},
                                                  {"carol", "pw-c", ""}}));
    expectVaultHoldsTheList();
}

TEST_F(EntryEditorTest, SortingWhileEditingStillChangesTheEntryThatWasOpened) {
    openEdit("alice");  // row 1
    clickHeader(0);     // descending: carol, bob, alice
    ASSERT_EQ(rowOf("carol"), 0);
    ASSERT_EQ(rowOf("alice"), 2);
    setText(editor().control(EntryEditor::PasswordBox), "alice-new");
    save();
    EXPECT_EQ(shownEntries(), (std::vector<Entry>{{"carol", "pw-c", ""},
                                                  {"bob", "pw-b", "www.example.com"},
                                                  {"alice", "alice-new", "georgetown"}}));
    expectVaultHoldsTheList();
}

TEST_F(EntryEditorTest, SavingAnEditWhoseEntryWasDeletedAsksBeforeAddingItAnew) {
    openEdit("bob");
    setText(editor().control(EntryEditor::PasswordBox), "kept");
    // Deleted from the main window while the editor is open.
    selectRow(rowOf("bob"));
    messageBoxes.answer(IDOK);
    click(form().control(MainWindow::DeleteButton));
    ASSERT_EQ(rowOf("bob"), -1);
    Snapshot afterDelete = snapshot();

    messageBoxes.answer(IDNO);
    save();
    ASSERT_EQ(messageBoxes.seen().size(), 2u);
    const SeenBox& question = messageBoxes.seen()[1];
    EXPECT_NE(question.text.find("deleted"), std::string::npos) << question.text;
    EXPECT_TRUE(question.hasYes);
    EXPECT_TRUE(question.hasNo);
    EXPECT_TRUE(editor().isLoaded());
    EXPECT_EQ(boxes(), (Entry{"bob", "kept", "www.example.com"}));
    EXPECT_EQ(snapshot(), afterDelete);

    messageBoxes.answer(IDYES);
    save();
    EXPECT_FALSE(editor().isLoaded());
    EXPECT_EQ(shownEntries(), (std::vector<Entry>{{"alice", "pw-a", "georgetown"},
                                                  {"carol", "pw-c", ""},
                                                  {"bob", "kept", "www.example.com"}}));
    EXPECT_EQ(form().statusText(), "Added new entry.  Data saved.");
    expectVaultHoldsTheList();
    EXPECT_EQ(messageBoxes.unexpected(), 0);
}

TEST_F(EntryEditorTest, DeletingAnotherEntryWhileEditingLeavesTheRightOneToChange) {
    openEdit("carol");  // row 3; after the delete below it is row 2
    selectRow(rowOf("alice"));
    messageBoxes.answer(IDOK);
    click(form().control(MainWindow::DeleteButton));
    setText(editor().control(EntryEditor::UsernameBox), "caroline");
    save();
    EXPECT_EQ(messageBoxes.seen().size(), 1u);
    EXPECT_EQ(shownEntries(), (std::vector<Entry>{{"bob", "pw-b", "www.example.com"}, {"caroline", "pw-c", ""}}));
    expectVaultHoldsTheList();
}

}  // namespace
}  // namespace vk::test

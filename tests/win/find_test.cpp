// Finding an entry: the find box filters the list as the user types (words, letter case, no
// match, Enter, Escape), the commands act on the entry the user sees, what was just saved stays in
// sight, and the lock takes the find text and the filter away.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/process.h"
#include "test_support.h"
#include "vault_samples.h"
#include "vault/vault_format.h"

namespace vk::test {
namespace {

using vault::Entry;
using Names = std::vector<std::string>;

// "bank" is also a password here: passwords are never searched.
const std::vector<Entry> kEntries{{"john@example.com", "pw-1", "www.bank.example"},
                                  {"Johnny", "pw-2", "mail.example.org"},
                                  {"alice", "bank", "shop.example"},
                                  {"BOB", "pw-4", "www.BANK.example/login"},
                                  {"\xC9lodie", "pw-5", ""}};

class FindTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.writeVault("master", kEntries);
        program.logIn("master");
    }

    MainWindow& form() { return program->mainWindow(); }
    FindBox& findBox() { return form().findBox; }
    HWND list() { return form().entryList.hwnd(); }
    Control* findTextBox() { return findBox().control(FindBox::FindTextBox); }
    Names shownNames() {
        Names names;
        for (int row = 0; row < listCount(list()); ++row) names.push_back(listText(list(), row, 0));
        return names;
    }
    void chooseMenu(MainWindow::Menu menu, int index) {
        SendMessageW(form().hwnd(), WM_COMMAND, MAKEWPARAM(MainWindow::menuItemId(menu, index), 0), 0);
        pumpPending();
    }
    // Ctrl+F, through the main window's keys as the message loop delivers them.
    void pressCtrlF() {
        BYTE keys[256] = {};
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        MSG msg{list(), WM_KEYDOWN, 'F', 0, 0, {}};
        dispatchMessage(msg);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        pumpPending();
    }
    // The user types the whole text into the find box.
    void find(const std::string& text) {
        if (!findBox().isLoaded()) chooseMenu(MainWindow::DataMenu, 4);
        ASSERT_TRUE(findBox().visible());
        setText(findTextBox(), text);
    }
    void pressEscape() {
        MSG down{findTextBox()->hwnd(), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {}};
        dispatchMessage(down);
        pumpPending();
    }
    int selectedRow() { return ListView_GetNextItem(list(), -1, LVNI_SELECTED); }
    void selectRow(int row) {
        ListView_SetItemState(list(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(list(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }

    TestProgram program;
    MessageBoxes messageBoxes;
};

// Each step in turn, on one find box: what the list shows and the status line says after it.
TEST_F(FindTest, TheListShowsWhatMatchesTheTextAsItIsTyped) {
    const Names all{"john@example.com", "Johnny", "alice", "BOB", "\xC9lodie"};
    enum Step { Type, Enter, Escape };
    struct Case {
        Step step;
        std::string typed;
        Names shown;
        std::string status;
        int selected;  // the row selected after the step; -1: none
    };
    const Case cases[] = {
        {Type, "b", {"john@example.com", "BOB"}, "2 of 5 entries match \"b\"", -1},
        {Type, "bank", {"john@example.com", "BOB"}, "2 of 5 entries match \"bank\"", -1},
        {Enter, "", {"john@example.com", "BOB"}, "2 of 5 entries match \"bank\"", 0},
        {Type, "BANK", {"john@example.com", "BOB"}, "2 of 5 entries match \"BANK\"", 0},
        {Type, "john bank", {"john@example.com"}, "1 of 5 entries matches \"john bank\"", 0},
        {Type, "  example   org ", {"Johnny"}, "1 of 5 entries matches \"  example   org \"", -1},
        {Type, "\xE9LODIE", {"\xC9lodie"}, "1 of 5 entries matches \"\xE9LODIE\"", -1},
        {Type, "bank john zzz", {}, "0 of 5 entries match \"bank john zzz\"", -1},
        {Type, "", all, "All 5 entries shown", -1},
        {Type, "o", all, "5 of 5 entries match \"o\"", -1},
        {Type, "nny", {"Johnny"}, "1 of 5 entries matches \"nny\"", -1},
        {Enter, "", {"Johnny"}, "1 of 5 entries matches \"nny\"", 0},
        // Escape shows every entry again, the one selected still selected.
        {Escape, "", all, "All 5 entries shown", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step == Type ? "typed \"" + c.typed + "\"" : c.step == Enter ? "Enter" : "Escape");
        if (c.step == Type) find(c.typed);
        if (c.step == Enter) pressEnter(findTextBox());
        if (c.step == Escape) pressEscape();
        EXPECT_EQ(shownNames(), c.shown);
        EXPECT_EQ(form().statusText(), c.status);
        EXPECT_EQ(selectedRow(), c.selected);
        EXPECT_EQ(findBox().isLoaded(), c.step != Escape);
        if (c.step == Enter) {
            EXPECT_EQ(focusOnceActive(form().hwnd()), list()) << "the keyboard goes to the list";
        }
    }
    // Ctrl+F opens the box again, empty; the filter and the stored vault were never touched.
    pressCtrlF();
    EXPECT_TRUE(findBox().visible());
    EXPECT_EQ(findTextBox()->text(), "");
    EXPECT_EQ(focusOnceActive(findBox().hwnd()), findTextBox()->hwnd());
    EXPECT_EQ(vault::entriesOf(program.vaultBytes()), kEntries);
    EXPECT_TRUE(messageBoxes.seen().empty());
}

// Every command acts on the entry the user sees selected, never on one the filter hides.
TEST_F(FindTest, CommandsActOnTheSelectedEntryTheUserSees) {
    ClipboardLock clipboardLock;
    find("bank");
    ASSERT_EQ(shownNames(), (Names{"john@example.com", "BOB"}));
    // The second row shown is the fourth entry, BOB.
    const std::pair<Control*, std::string> commands[] = {
        {form().control(MainWindow::CopyUsernameButton), "Copied Username BOB"},
        {form().control(MainWindow::CopyLocationButton), "Copied Location www.BANK.example/login"},
        {form().control(MainWindow::GoToButton), "Opening Location..."},
    };
    for (const auto& [button, status] : commands) {
        selectRow(1);
        click(button);
        EXPECT_EQ(form().statusText(), status);
    }
    ASSERT_EQ(program.startedCommands().size(), 1u);
    EXPECT_NE(program.startedCommands()[0].commandLine.find("www.BANK.example/login"), std::string::npos);
    click(form().control(MainWindow::EditButton));
    EXPECT_EQ(program->entryEditor().control(EntryEditor::UsernameBox)->text(), "BOB");
    click(program->entryEditor().control(EntryEditor::CancelButton));
    messageBoxes.answer(IDOK);
    click(form().control(MainWindow::DeleteButton));
    ASSERT_EQ(messageBoxes.seen().size(), 1u);
    EXPECT_NE(messageBoxes.seen()[0].text.find("Username: BOB"), std::string::npos);
    EXPECT_EQ(vault::entriesOf(program.vaultBytes()),
              (std::vector<Entry>{kEntries[0], kEntries[1], kEntries[2], kEntries[4]}));
    EXPECT_EQ(shownNames(), (Names{"john@example.com"}));

    // Typing in the list finds among the rows shown.
    find("example");
    ASSERT_EQ(shownNames(), (Names{"john@example.com", "Johnny", "alice"}));
    LVFINDINFOW typed{LVFI_STRING | LVFI_PARTIAL, L"al", 0, {}, 0};
    EXPECT_EQ(ListView_FindItem(list(), -1, &typed), 2);
}

// What the user saves while a filter is on stays in sight until the filter changes; sorting sorts
// the matches, and the order holds when every entry shows again.
TEST_F(FindTest, WhatWasJustSavedStaysShownUntilTheFilterChanges) {
    auto saveInEditor = [&](const Entry& entry) {
        setText(program->entryEditor().control(EntryEditor::UsernameBox), entry.username);
        setText(program->entryEditor().control(EntryEditor::PasswordBox), entry.password);
        setText(program->entryEditor().control(EntryEditor::WebsiteBox), entry.location);
        click(program->entryEditor().control(EntryEditor::SaveButton));
        ASSERT_FALSE(program->entryEditor().isLoaded());
    };
    find("bank");
    click(form().control(MainWindow::AddButton));
    saveInEditor({"dave", "pw-6", "intranet"});
    EXPECT_EQ(shownNames(), (Names{"john@example.com", "BOB", "dave"}));
    selectRow(1);
    click(form().control(MainWindow::EditButton));
    saveInEditor({"BOB", "pw-4", "elsewhere"});
    EXPECT_EQ(shownNames(), (Names{"john@example.com", "BOB", "dave"}));
    EXPECT_EQ(selectedRow(), 1) << "the entry edited stays selected";
    find("BANK");  // the same words: the same filter
    EXPECT_EQ(shownNames(), (Names{"john@example.com", "BOB", "dave"}));

    find("ban");
    EXPECT_EQ(shownNames(), (Names{"john@example.com"}));
    find("o");
    clickHeader(form(), 0);
    EXPECT_EQ(shownNames(), (Names{"Johnny", "john@example.com", "\xC9lodie", "BOB", "alice"}));
    find("");
    EXPECT_EQ(shownNames(), (Names{"Johnny", "john@example.com", "\xC9lodie", "dave", "BOB", "alice"}));
}

// The lock takes the find box away, with its text and the filter: what was searched may say what
// is in the vault. After the unlock every entry shows, and the box opens empty.
TEST_F(FindTest, TheLockClearsTheFindTextAndTheFilter) {
    find("john");
    ASSERT_EQ(listCount(list()), 2);
    chooseMenu(MainWindow::FileMenu, 5);  // Lock
    ASSERT_TRUE(program->locked());
    EXPECT_FALSE(findBox().isLoaded());
    EXPECT_FALSE(form().entryList.filtered());
    EXPECT_EQ(listCount(list()), 0);
    chooseMenu(MainWindow::DataMenu, 4);  // Find asks for the password first
    EXPECT_FALSE(findBox().isLoaded());
    setText(program->passwordDialog().control(PasswordDialog::PasswordBox), "master");
    click(program->passwordDialog().control(PasswordDialog::OkButton));
    ASSERT_FALSE(program->locked());
    EXPECT_EQ(shownNames(), (Names{"john@example.com", "Johnny", "alice", "BOB", "\xC9lodie"}));
    chooseMenu(MainWindow::DataMenu, 4);
    ASSERT_TRUE(findBox().visible());
    EXPECT_EQ(findTextBox()->text(), "");
}

// A keystroke that comes while the list is worked out replaces that work: nothing queues, and the
// box shows the matches of its text once the keys waiting have been handled.
TEST_F(FindTest, AKeystrokeThatComesMeanwhileReplacesTheSearch) {
    find("");
    Timer& retry = *findBox().timer(FindBox::RetryTimer);
    PostMessageW(findTextBox()->hwnd(), WM_KEYDOWN, VK_SHIFT, 0x002A0001);
    setText(findTextBox(), "bank");
    EXPECT_EQ(listCount(list()), 5) << "the search gave way to the key";
    EXPECT_TRUE(retry.enabled());
    pumpPending();  // the key is handled
    retry.tick();   // as the system would, once no key waits
    EXPECT_EQ(shownNames(), (Names{"john@example.com", "BOB"}));
    EXPECT_FALSE(retry.enabled());
    // Closing the box leaves nothing to ask again: a key waiting then does not stop it.
    PostMessageW(findTextBox()->hwnd(), WM_KEYDOWN, VK_SHIFT, 0x002A0001);
    findBox().unload();
    EXPECT_EQ(listCount(list()), 5);
}

}  // namespace
}  // namespace vk::test

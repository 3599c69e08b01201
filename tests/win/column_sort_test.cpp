// Sorting the entry list by a click on a column header: the order each click gives, text
// comparison, what later additions and saves do with the order, and the sort routine's errors.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mainwindow/column_sort.h"
#include "test_support.h"
#include "vault_samples.h"
#include "vault/vault_format.h"

namespace vk::test {
namespace {

using vault::Entry;

class ColumnSortTest : public ::testing::Test {
protected:
    // Logs in to a vault holding these entries, in this order.
    void open(const std::vector<Entry>& entries) {
        program.writeVault("master", entries);
        program.logIn("master");
    }

    MainWindow& form() { return program->mainWindow(); }
    HWND list() { return form().entryList.hwnd(); }

    // One column of the list as it shows it, top to bottom.
    std::vector<std::string> column(int index) {
        std::vector<std::string> texts;
        for (int row = 0; row < listCount(list()); ++row) texts.push_back(listText(list(), row, index));
        return texts;
    }
    std::vector<std::string> usernames() { return column(0); }
    std::vector<std::string> storedUsernames() {
        std::vector<std::string> names;
        for (const Entry& e : vault::entriesOf(program.vaultBytes())) names.push_back(std::string(e.username));
        return names;
    }

    void clickHeader(int column) { test::clickHeader(form(), column); }
    void selectRow(int row) {
        ListView_SetItemState(list(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(list(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    int selectedRow() { return ListView_GetNextItem(list(), -1, LVNI_SELECTED); }

    void addThroughTheEditor(const Entry& entry) {
        click(form().control(MainWindow::AddButton));
        setText(program->entryEditor().control(EntryEditor::UsernameBox), entry.username);
        setText(program->entryEditor().control(EntryEditor::PasswordBox), entry.password);
        setText(program->entryEditor().control(EntryEditor::WebsiteBox), entry.location);
        click(program->entryEditor().control(EntryEditor::SaveButton));
        ASSERT_FALSE(program->entryEditor().isLoaded());
    }

    TestProgram program;
    MessageBoxes messageBoxes;
};

using Names = std::vector<std::string>;

TEST_F(ColumnSortTest, EachClickReversesTheOrderWhicheverColumnIsClicked) {
    open({{"bob", "2", "b"}, {"alice", "3", "c"}, {"carol", "1", "a"}});
    std::string fileBefore = program.vaultBytes();

    clickHeader(0);
    EXPECT_EQ(usernames(), (Names{"carol", "bob", "alice"}));
    clickHeader(0);
    EXPECT_EQ(usernames(), (Names{"alice", "bob", "carol"}));
    // Another column does not start again at ascending: it takes the order opposite to the last one.
    clickHeader(1);
    EXPECT_EQ(column(1), (Names{"3", "2", "1"}));
    clickHeader(2);
    EXPECT_EQ(column(2), (Names{"a", "b", "c"}));
    clickHeader(1);
    EXPECT_EQ(column(1), (Names{"3", "2", "1"}));
    EXPECT_EQ(usernames(), (Names{"alice", "bob", "carol"}));

    // Sorting is not a change of the vault.
    EXPECT_EQ(program.vaultBytes(), fileBefore);
    EXPECT_TRUE(messageBoxes.seen().empty());
}

TEST_F(ColumnSortTest, UsernameThenPasswordSortsDescendingThenAscending) {
    open({{"alice", "beta", ""}, {"bob", "alpha", ""}, {"carol", "gamma", ""}});
    clickHeader(0);
    EXPECT_EQ(usernames(), (Names{"carol", "bob", "alice"}));
    clickHeader(1);
    EXPECT_EQ(column(1), (Names{"alpha", "beta", "gamma"}));
    EXPECT_EQ(usernames(), (Names{"bob", "alice", "carol"}));
}

TEST_F(ColumnSortTest, AClickOnAnEmptyListChangesNothingAndTheFirstLaterClickSortsDescending) {
    open({});
    clickHeader(0);
    clickHeader(1);
    clickHeader(0);
    EXPECT_FALSE(program->vaultSession().entries().sorted());
    EXPECT_EQ(program->vaultSession().entries().sortOrder(), vault::SortOrder::Ascending);
    EXPECT_TRUE(form().sortByColumn(7, true));  // nothing to check without rows

    addThroughTheEditor({"m", "1", ""});
    addThroughTheEditor({"a", "2", ""});
    addThroughTheEditor({"z", "3", ""});
    EXPECT_EQ(usernames(), (Names{"m", "a", "z"}));  // unsorted: in the order added
    clickHeader(0);
    EXPECT_EQ(usernames(), (Names{"z", "m", "a"}));
    EXPECT_TRUE(messageBoxes.seen().empty());
}

TEST_F(ColumnSortTest, TextIsComparedAsTextWithLetterCaseIgnored) {
    open({{"9", "x", ""}, {"Bob", "x", ""}, {"10", "x", ""}, {"alice", "x", ""}, {"carol", "x", ""},
          {"ALICE", "y", ""}, {"100", "x", ""}});
    clickHeader(0);
    clickHeader(0);
    // "10" before "9": no numbers are read. Equal texts but for case keep their order.
    EXPECT_EQ(usernames(), (Names{"10", "100", "9", "alice", "ALICE", "Bob", "carol"}));
    clickHeader(0);
    EXPECT_EQ(usernames(), (Names{"carol", "Bob", "alice", "ALICE", "9", "100", "10"}));

    // The password column the same way.
    TestProgram passwords;
    passwords.writeVault("master", {{"a", "9", ""}, {"b", "10", ""}, {"c", "Zed", ""}, {"d", "apple", ""}});
    passwords.logIn("master");
    HWND passwordList = passwords->mainWindow().entryList.hwnd();
    passwords->mainWindow().onColumnClick(2);
    passwords->mainWindow().onColumnClick(2);
    std::vector<std::string> sorted;
    for (int row = 0; row < listCount(passwordList); ++row) sorted.push_back(listText(passwordList, row, 1));
    EXPECT_EQ(sorted, (Names{"10", "9", "apple", "Zed"}));
}

TEST_F(ColumnSortTest, AddedAndEditedRowsGoToTheirPlaceAndTheNextSaveStoresTheOrder) {
    open({{"delta", "1", ""}, {"bravo", "2", ""}, {"foxtrot", "3", ""}});
    clickHeader(0);
    clickHeader(0);  // ascending
    ASSERT_EQ(usernames(), (Names{"bravo", "delta", "foxtrot"}));
    EXPECT_EQ(storedUsernames(), (Names{"delta", "bravo", "foxtrot"}));  // not saved by the sort

    addThroughTheEditor({"charlie", "4", ""});
    EXPECT_EQ(usernames(), (Names{"bravo", "charlie", "delta", "foxtrot"}));
    EXPECT_EQ(storedUsernames(), usernames());

    // An edit that changes the key moves the row.
    selectRow(0);
    click(form().control(MainWindow::EditButton));
    setText(program->entryEditor().control(EntryEditor::UsernameBox), "golf");
    click(program->entryEditor().control(EntryEditor::SaveButton));
    EXPECT_EQ(usernames(), (Names{"charlie", "delta", "foxtrot", "golf"}));
    EXPECT_EQ(storedUsernames(), usernames());
    EXPECT_EQ(form().statusText(), "Added new entry.  Data saved.");

    // A delete saves the sorted order too.
    clickHeader(0);  // descending
    selectRow(0);
    messageBoxes.answer(IDOK);
    click(form().control(MainWindow::DeleteButton));
    EXPECT_EQ(usernames(), (Names{"foxtrot", "delta", "charlie"}));
    EXPECT_EQ(storedUsernames(), usernames());
}

TEST_F(ColumnSortTest, TheSelectionStaysOnTheSameEntry) {
    ClipboardLock clipboardLock;  // the last step copies
    open({{"bob", "2", ""}, {"alice", "3", ""}, {"carol", "1", ""}});
    selectRow(0);  // bob
    clickHeader(1);  // descending by password: alice, bob, carol
    ASSERT_EQ(usernames(), (Names{"alice", "bob", "carol"}));
    EXPECT_EQ(selectedRow(), 1);
    selectRow(2);  // carol
    clickHeader(0);  // ascending by username
    EXPECT_EQ(usernames(), (Names{"alice", "bob", "carol"}));
    EXPECT_EQ(selectedRow(), 2);
    clickHeader(0);
    EXPECT_EQ(selectedRow(), 0);

    // The commands act on the entry that stayed selected.
    click(form().control(MainWindow::CopyUsernameButton));
    EXPECT_EQ(form().statusText(), "Copied Username carol");
}

TEST_F(ColumnSortTest, AColumnOutsideTheListFailsWithAnErrorWhenAskedTo) {
    open({{"bob", "2", ""}, {"alice", "3", ""}});
    for (int outside : {0, 4, -1}) {
        SCOPED_TRACE(outside);
        vault::SortOrder orderBefore = program->vaultSession().entries().sortOrder();
        messageBoxes.answer(IDOK);
        EXPECT_FALSE(form().sortByColumn(outside, true));
        ASSERT_FALSE(messageBoxes.seen().empty());
        const SeenBox& box = messageBoxes.seen().back();
        EXPECT_EQ(box.text, "Error35600\tIndex out of bounds");
        EXPECT_EQ(box.title, "Error in Function : EnhListView_SortColumns");
        EXPECT_TRUE(box.hasOk);
        EXPECT_FALSE(box.hasCancel);
        EXPECT_TRUE(box.hasIcon);
        // The order is toggled only after the column is found.
        EXPECT_EQ(program->vaultSession().entries().sortOrder(), orderBefore);
    }
    EXPECT_EQ(messageBoxes.seen().size(), 3u);

    EXPECT_FALSE(form().sortByColumn(4, false));
    EXPECT_EQ(messageBoxes.seen().size(), 3u);
    clickHeader(3);  // no such header: silent
    EXPECT_EQ(messageBoxes.seen().size(), 3u);

    EXPECT_TRUE(form().sortByColumn(3, true));
    EXPECT_EQ(program->vaultSession().entries().sortKey(), 2);
}

}  // namespace
}  // namespace vk::test

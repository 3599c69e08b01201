// The main window's commands on its entries, from the buttons and from the menus that repeat
// them: the messages without a selection, Copy with the real clipboard, Delete with its question
// and the vault file, and Go To with the command line it starts.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/clipboard.h"
#include "platform/handles.h"
#include "test_support.h"
#include "vault/vault_format.h"

namespace vk::test {
namespace {

using vault::Entry;

struct WindowTraits {
    static HWND invalid() { return nullptr; }
    static void close(HWND h) { DestroyWindow(h); }
};
using OwnedWindow = UniqueHandle<HWND, WindowTraits>;

// A window of its own to own the clipboard with, as another program would.
OwnedWindow messageOnlyWindow() {
    return OwnedWindow(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
}

void putOnClipboard(const std::string& text) {
    OwnedWindow owner = messageOnlyWindow();
    ASSERT_TRUE(clipboardSetText(owner.get(), text));
}

// The plain text on the clipboard; nothing when it holds none.
std::optional<std::string> clipboardText() {
    std::string text;
    if (!IsClipboardFormatAvailable(CF_TEXT) || !clipboardGetText(nullptr, text)) return std::nullopt;
    return text;
}

// Another program that opens the clipboard, puts its own text there and keeps it open until the
// holder goes.
class ClipboardHolder {
public:
    explicit ClipboardHolder(std::string text)
        : held_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          thread_([this, text = std::move(text)] { hold(text); }) {
        WaitForSingleObject(held_.get(), 10000);
    }
    ~ClipboardHolder() {
        SetEvent(release_.get());
        thread_.join();
    }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;
    bool holding() const { return holding_; }

private:
    void hold(const std::string& text) {
        OwnedWindow owner = messageOnlyWindow();
        if (OpenClipboard(owner.get())) {
            EmptyClipboard();
            if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
                std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
                GlobalUnlock(memory);
                if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
            }
            holding_ = true;
        }
        SetEvent(held_.get());
        HANDLE release = release_.get();
        while (MsgWaitForMultipleObjects(1, &release, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
        if (holding_) CloseClipboard();
    }

    KernelHandle held_, release_;
    bool holding_ = false;
    std::thread thread_;
};

class EntryCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.writeVault("master", {{"alice", "pw-a", "georgetown"},
                                      {"bob", "p\xF6ss w|rd", "www.example.com"},
                                      {"carol", "pw-c", ""}});
        program.logIn("master");
    }

    MainWindow& form() { return program->Form1; }
    HWND list() { return form().lstPass.hwnd(); }
    std::vector<Entry> shownEntries() { return test::shownEntries(list()); }
    void selectRow(int row) {
        ListView_SetItemState(list(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        if (row >= 0)
            ListView_SetItemState(list(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    void chooseMenu(MainWindow::Menu menu, int index) {
        SendMessageW(form().hwnd(), WM_COMMAND, MAKEWPARAM(MainWindow::menuItemId(menu, index), 0), 0);
    }

    // One command, as a button and as its menu item.
    struct Command {
        const char* name;
        Control* button;
        MainWindow::Menu menu;
        int menuIndex;
    };
    std::vector<Command> copyCommands() {
        return {{"Copy Username", form().cmdCopy[0], MainWindow::mnuCopy, 0},
                {"Copy Password", form().cmdCopy[1], MainWindow::mnuCopy, 1},
                {"Copy Used At", form().cmdCopy[2], MainWindow::mnuCopy, 2}};
    }
    // Runs it both ways, each time after `before`, and hands each outcome to `check`.
    template <typename Before, typename Check>
    void bothWays(const Command& command, Before before, Check check) {
        before();
        click(command.button);
        {
            SCOPED_TRACE(std::string(command.name) + " button");
            check();
        }
        before();
        chooseMenu(command.menu, command.menuIndex);
        {
            SCOPED_TRACE(std::string(command.name) + " menu item");
            check();
        }
    }

    TestProgram program;
    MessageBoxes messageBoxes;
};

// ---- Without a selection ----

TEST_F(EntryCommandsTest, EachCommandWithoutASelectionSaysSoAndDoesNothingElse) {
    ClipboardLock clipboardLock;
    std::string fileBefore = program.vaultBytes();
    const std::pair<Command, const char*> commands[] = {
        {{"Edit", form().cmdEdit, MainWindow::mnuData, 2}, "You must first select an entry to edit."},
        {{"Delete", form().cmdDelete, MainWindow::mnuData, 1}, "You must first select an entry to delete."},
        {{"Go To", form().cmdGoto, MainWindow::mnuData, 3}, "You must first select an entry to go to."},
        {copyCommands()[0], "You must first select a row to copy from."},
        {copyCommands()[1], "You must first select a row to copy from."},
        {copyCommands()[2], "You must first select a row to copy from."},
    };
    for (const auto& [command, message] : commands) {
        bothWays(
            command,
            [&] {
                selectRow(-1);
                SetStatusText(program.app(), "before");
                putOnClipboard("copied earlier");
            },
            [&] {
                EXPECT_EQ(form().statusText(), message);
                EXPECT_FALSE(program->frmAdd.isLoaded());
                bool copies = command.menu == MainWindow::mnuCopy;
                // Copy empties the clipboard first, whether or not there is anything to copy.
                if (copies)
                    EXPECT_EQ(clipboardText(), std::nullopt);
                else
                    EXPECT_EQ(clipboardText(), "copied earlier");
            });
    }
    EXPECT_TRUE(messageBoxes.seen().empty());
    EXPECT_TRUE(program.startedCommands().empty());
    EXPECT_EQ(listCount(list()), 3);
    EXPECT_EQ(program.vaultBytes(), fileBefore);
}

TEST_F(EntryCommandsTest, AnEmptyListHasNothingToSelect) {
    ClipboardLock clipboardLock;
    TestProgram empty;
    empty.writeVault("master");
    empty.logIn("master");
    MainWindow& emptyForm = empty->Form1;
    ASSERT_EQ(listCount(emptyForm.lstPass.hwnd()), 0);
    click(emptyForm.cmdEdit);
    EXPECT_EQ(emptyForm.statusText(), "You must first select an entry to edit.");
    click(emptyForm.cmdDelete);
    EXPECT_EQ(emptyForm.statusText(), "You must first select an entry to delete.");
    click(emptyForm.cmdGoto);
    EXPECT_EQ(emptyForm.statusText(), "You must first select an entry to go to.");
    putOnClipboard("copied earlier");
    click(emptyForm.cmdCopy[1]);
    EXPECT_EQ(emptyForm.statusText(), "You must first select a row to copy from.");
    EXPECT_EQ(clipboardText(), std::nullopt);
    EXPECT_TRUE(messageBoxes.seen().empty());
    EXPECT_FALSE(empty->frmAdd.isLoaded());
}

// ---- Copy ----

TEST_F(EntryCommandsTest, CopyPutsTheSelectedFieldOnTheClipboardAndSaysWhat) {
    ClipboardLock clipboardLock;
    struct Expected {
        int row;
        int index;
        std::string value;
        std::string status;
    };
    const Expected cases[] = {
        {1, 0, "bob", "Copied Username bob"},
        {1, 1, "p\xF6ss w|rd", "Copied Password p\xF6ss w|rd"},
        {1, 2, "www.example.com", "Copied Location www.example.com"},
        {2, 2, "", "Copied Location "},
        {0, 1, "pw-a", "Copied Password pw-a"},
    };
    for (const Expected& c : cases) {
        bothWays(
            copyCommands()[static_cast<size_t>(c.index)],
            [&] {
                selectRow(c.row);
                putOnClipboard("copied earlier");
            },
            [&] {
                EXPECT_EQ(clipboardText(), c.value);
                EXPECT_EQ(form().statusText(), c.status);
            });
    }
    EXPECT_TRUE(messageBoxes.seen().empty());
    EXPECT_EQ(program.endCount(), 0);
}

TEST_F(EntryCommandsTest, CopyWhileAnotherProgramHoldsTheClipboardSaysItFailed) {
    ClipboardLock clipboardLock;
    selectRow(1);
    {
        ClipboardHolder other("the other program's text");
        ASSERT_TRUE(other.holding());
        click(form().cmdCopy[1]);
        EXPECT_EQ(form().statusText(),
                  "Nothing copied: another program is using the clipboard.  Please try again.");
        chooseMenu(MainWindow::mnuCopy, 0);
        EXPECT_EQ(form().statusText(),
                  "Nothing copied: another program is using the clipboard.  Please try again.");
    }
    EXPECT_EQ(clipboardText(), "the other program's text");
    EXPECT_EQ(program.endCount(), 0);
    EXPECT_TRUE(form().isLoaded());
    EXPECT_TRUE(messageBoxes.seen().empty());

    // Once it lets go, copying works again.
    click(form().cmdCopy[1]);
    EXPECT_EQ(clipboardText(), "p\xF6ss w|rd");
    EXPECT_EQ(form().statusText(), "Copied Password p\xF6ss w|rd");
}

// ---- Delete ----

TEST_F(EntryCommandsTest, DeleteAsksWithoutShowingThePasswordAndCancelKeepsEverything) {
    std::string fileBefore = program.vaultBytes();
    for (bool fromMenu : {false, true}) {
        SCOPED_TRACE(fromMenu ? "menu item" : "button");
        selectRow(0);
        messageBoxes.answer(IDCANCEL);
        if (fromMenu)
            chooseMenu(MainWindow::mnuData, 1);
        else
            click(form().cmdDelete);
        ASSERT_FALSE(messageBoxes.seen().empty());
        const SeenBox& box = messageBoxes.seen().back();
        EXPECT_EQ(box.text,
                  "Are you sure you want to delete the following information?\r\n\r\nUsername: alice\r\nUsed At: "
                  "georgetown");
        EXPECT_EQ(box.title, "Confirm Delete");
        EXPECT_TRUE(box.hasOk);
        EXPECT_TRUE(box.hasCancel);
        EXPECT_FALSE(box.hasIcon);
        EXPECT_EQ(box.owner, form().hwnd());
        EXPECT_EQ(form().statusText(), "Entry not deleted, cancelled by user");
        EXPECT_EQ(listCount(list()), 3);
        EXPECT_EQ(program.vaultBytes(), fileBefore);
    }

    selectRow(1);
    messageBoxes.answer(IDCANCEL);
    click(form().cmdDelete);
    EXPECT_EQ(messageBoxes.seen().back().text,
              "Are you sure you want to delete the following information?\r\n\r\nUsername: bob\r\nUsed At: "
              "www.example.com");
    EXPECT_EQ(messageBoxes.seen().back().text.find("w|rd"), std::string::npos);
    EXPECT_EQ(messageBoxes.unexpected(), 0);
}

TEST_F(EntryCommandsTest, DeleteWithOkRemovesTheRowAndSavesTheRest) {
    selectRow(1);
    messageBoxes.answer(IDOK);
    click(form().cmdDelete);
    EXPECT_EQ(form().statusText(), "Entry deleted successfully, data saved.");
    std::vector<Entry> expected = {{"alice", "pw-a", "georgetown"}, {"carol", "pw-c", ""}};
    EXPECT_EQ(shownEntries(), expected);
    EXPECT_EQ(vault::entriesOf(program.vaultBytes()), expected);
    EXPECT_EQ(vault::storedPasswordOf(program.vaultBytes()), "master");

    // From the menu, the empty location shows as an empty "Used At: " line.
    selectRow(1);
    messageBoxes.answer(IDOK);
    chooseMenu(MainWindow::mnuData, 1);
    EXPECT_EQ(messageBoxes.seen().back().text,
              "Are you sure you want to delete the following information?\r\n\r\nUsername: carol\r\nUsed At: ");
    expected.pop_back();
    EXPECT_EQ(shownEntries(), expected);
    EXPECT_EQ(vault::entriesOf(program.vaultBytes()), expected);
    EXPECT_EQ(messageBoxes.unexpected(), 0);
}

TEST_F(EntryCommandsTest, DeleteAsksWithLongFieldsCutShortAndDeletesExactlyTheSelectedEntry) {
    const std::vector<Entry> before = shownEntries();
    form().lstPass.add({std::string(1'000'000, 'n'), "pw", std::string(10'000, 'L')});
    selectRow(3);
    messageBoxes.answer(IDOK);
    click(form().cmdDelete);
    ASSERT_EQ(messageBoxes.seen().size(), 1u);
    const std::string& text = messageBoxes.seen()[0].text;
    EXPECT_LT(text.size(), 300u);
    EXPECT_EQ(text.rfind("Are you sure you want to delete the following information?\r\n\r\nUsername: " +
                             std::string(80, 'n'),
                         0),
              0u)
        << text;
    EXPECT_EQ(text.find(std::string(81, 'n')), std::string::npos);
    EXPECT_NE(text.find("\r\nUsed At: " + std::string(80, 'L')), std::string::npos);
    EXPECT_EQ(text.find(std::string(81, 'L')), std::string::npos);
    EXPECT_EQ(shownEntries(), before);
    EXPECT_EQ(vault::entriesOf(program.vaultBytes()), before);
}

TEST_F(EntryCommandsTest, TypingInTheListSelectsTheNextUsernameThatStartsSo) {
    selectRow(0);
    SetFocus(list());
    const std::string status = form().statusText();
    SendMessageW(list(), WM_CHAR, L'C', 1);
    EXPECT_EQ(form().lstPass.firstSelectedRow(), std::optional<size_t>(3));  // carol
    // The list's own behaviour, not a command: nothing else happens.
    EXPECT_EQ(form().statusText(), status);
    EXPECT_EQ(messageBoxes.seen().size(), 0u);
}

// ---- Go To ----

TEST_F(EntryCommandsTest, GoToStartsExplorerMinimizedWithTheCompletedAddress) {
    struct Case {
        std::string location;
        std::string commandLine;
    };
    const Case cases[] = {
        {"www.shop.example", "explorer http://www.shop.example"},
        {"WWW.SHOP.EXAMPLE", "explorer http://WWW.SHOP.EXAMPLE"},
        {"mail.example.com", "explorer http://mail.example.com"},
        {"uni.EDU/courses", "explorer http://uni.EDU/courses"},
        {"Example.NET", "explorer http://Example.NET"},
        {"showbiz", "explorer http://showbiz"},
        {"georgetown", "explorer http://georgetown"},
        {"http://www.example.com", "explorer http://www.example.com"},
        {"HTTPS://Bank.Example.com", "explorer HTTPS://Bank.Example.com"},
        {"see https://x.org/", "explorer \"see https://x.org/\""},
        {"C:\\Data", "explorer C:\\Data"},
        {"intranet", "explorer intranet"},
        {"", "explorer "},
        {"C:\\My Files", "explorer \"C:\\My Files\""},
        {"www.my site.com", "explorer \"http://www.my site.com\""},
    };
    std::vector<Entry> entries;
    for (const Case& c : cases) entries.push_back({"user" + std::to_string(entries.size()), "pw", c.location});
    TestProgram places;
    places.writeVault("master", entries);
    places.logIn("master");
    MainWindow& placesForm = places->Form1;
    HWND placesList = placesForm.lstPass.hwnd();
    for (int row = 0; row < static_cast<int>(std::size(cases)); ++row) {
        SCOPED_TRACE(cases[row].location);
        ListView_SetItemState(placesList, -1, 0, LVIS_SELECTED);
        ListView_SetItemState(placesList, row, LVIS_SELECTED, LVIS_SELECTED);
        SetStatusText(places.app(), "before");
        if (row % 2)
            click(placesForm.cmdGoto);
        else
            SendMessageW(placesForm.hwnd(), WM_COMMAND, MAKEWPARAM(MainWindow::menuItemId(MainWindow::mnuData, 3), 0),
                         0);
        ASSERT_EQ(places.startedCommands().size(), static_cast<size_t>(row) + 1);
        EXPECT_EQ(places.startedCommands().back(), std::make_pair(cases[row].commandLine, SW_SHOWMINIMIZED));
        EXPECT_EQ(placesForm.statusText(), "Opening Location...");
    }
    EXPECT_EQ(places.endCount(), 0);
    EXPECT_TRUE(placesForm.isLoaded());
    EXPECT_TRUE(places.openedAddresses().empty());
    // The locations themselves stay as they were stored.
    EXPECT_EQ(vault::entriesOf(places.vaultBytes()), entries);
    EXPECT_TRUE(messageBoxes.seen().empty());
}

TEST_F(EntryCommandsTest, AShellThatCannotStartTheCommandSaysSoAndTheProgramGoesOn) {
    std::vector<std::string> tried;
    program->env.startCommandLine = [&](const std::string& commandLine, int) {
        tried.push_back(commandLine);
        return false;
    };
    selectRow(0);
    click(form().cmdGoto);
    EXPECT_EQ(tried, (std::vector<std::string>{"explorer http://georgetown"}));
    EXPECT_EQ(form().statusText(), "Could not start: explorer http://georgetown");
    EXPECT_EQ(program.endCount(), 0);
    EXPECT_TRUE(form().isLoaded());
    EXPECT_TRUE(messageBoxes.seen().empty());
}

}  // namespace
}  // namespace vk::test

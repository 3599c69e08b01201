// The main window's commands on its entries, from the buttons and from the menus that repeat
// them: the messages without a selection, Copy with the real clipboard, Delete with its question
// and the vault file, and Go To with the command line it starts.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/locations.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "test_support.h"
#include "vault_samples.h"
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

// Puts plain text on the open clipboard, as any other program would.
bool putTextOnOpenClipboard(const std::string& text) {
    if (!EmptyClipboard()) return false;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory) return false;
    std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    if (SetClipboardData(CF_TEXT, memory)) return true;
    GlobalFree(memory);
    return false;
}

// Another program copies this text.
void putOnClipboard(const std::string& text) {
    OwnedWindow owner = messageOnlyWindow();
    ASSERT_TRUE(OpenClipboard(owner.get()));
    bool put = putTextOnOpenClipboard(text);
    CloseClipboard();
    ASSERT_TRUE(put);
}

// The names of the formats on the clipboard, with the value of those that hold one number.
std::map<std::string, std::optional<DWORD>> clipboardFormats() {
    std::map<std::string, std::optional<DWORD>> formats;
    if (!OpenClipboard(nullptr)) return formats;
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        char name[256] = "";
        if (!GetClipboardFormatNameA(format, name, sizeof name)) std::snprintf(name, sizeof name, "#%u", format);
        std::optional<DWORD> number;
        HANDLE data = format < CF_PRIVATEFIRST ? nullptr : GetClipboardData(format);
        if (data && GlobalSize(data) == sizeof(DWORD)) {
            number = *static_cast<const DWORD*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        formats[name] = number;
    }
    CloseClipboard();
    return formats;
}

// Another program that opens the clipboard, puts its own text there (if any) and keeps it open
// until the holder goes.
class ClipboardHolder {
public:
    // `releaseAfterMs`: lets go by itself after that long, else when the object goes.
    explicit ClipboardHolder(std::optional<std::string> text, DWORD releaseAfterMs = INFINITE)
        : held_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          thread_([this, text = std::move(text), releaseAfterMs] { hold(text, releaseAfterMs); }) {
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
    void hold(const std::optional<std::string>& text, DWORD releaseAfterMs) {
        OwnedWindow owner = messageOnlyWindow();
        if (OpenClipboard(owner.get())) {
            if (text) putTextOnOpenClipboard(*text);
            holding_ = true;
        }
        SetEvent(held_.get());
        HANDLE release = release_.get();
        const ULONGLONG until = releaseAfterMs == INFINITE ? ~0ull : GetTickCount64() + releaseAfterMs;
        for (;;) {
            const ULONGLONG now = GetTickCount64();
            if (now >= until) break;
            const DWORD wait = until == ~0ull ? INFINITE : static_cast<DWORD>(until - now);
            if (MsgWaitForMultipleObjects(1, &release, FALSE, wait, QS_ALLINPUT) != WAIT_OBJECT_0 + 1) break;
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

    MainWindow& form() { return program->mainWindow(); }
    HWND list() { return form().entryList.hwnd(); }
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
        return {{"Copy Username", form().control(MainWindow::CopyUsernameButton), MainWindow::CopyMenu, 0},
                {"Copy Password", form().control(MainWindow::CopyPasswordButton), MainWindow::CopyMenu, 1},
                {"Copy Used At", form().control(MainWindow::CopyLocationButton), MainWindow::CopyMenu, 2}};
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
        {{"Edit", form().control(MainWindow::EditButton), MainWindow::DataMenu, 2},
         "You must first select an entry to edit."},
        {{"Delete", form().control(MainWindow::DeleteButton), MainWindow::DataMenu, 1},
         "You must first select an entry to delete."},
        {{"Go To", form().control(MainWindow::GoToButton), MainWindow::DataMenu, 3},
         "You must first select an entry to go to."},
        {copyCommands()[0], "You must first select a row to copy from."},
        {copyCommands()[1], "You must first select a row to copy from."},
        {copyCommands()[2], "You must first select a row to copy from."},
    };
    for (const auto& [command, message] : commands) {
        bothWays(
            command,
            [&] {
                selectRow(-1);
                program->mainWindow().setStatusText("before");
                putOnClipboard("copied earlier");
            },
            [&] {
                EXPECT_EQ(form().statusText(), message);
                EXPECT_FALSE(program->entryEditor().isLoaded());
                bool copies = command.menu == MainWindow::CopyMenu;
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
    MainWindow& emptyForm = empty->mainWindow();
    ASSERT_EQ(listCount(emptyForm.entryList.hwnd()), 0);
    click(emptyForm.control(MainWindow::EditButton));
    EXPECT_EQ(emptyForm.statusText(), "You must first select an entry to edit.");
    click(emptyForm.control(MainWindow::DeleteButton));
    EXPECT_EQ(emptyForm.statusText(), "You must first select an entry to delete.");
    click(emptyForm.control(MainWindow::GoToButton));
    EXPECT_EQ(emptyForm.statusText(), "You must first select an entry to go to.");
    putOnClipboard("copied earlier");
    click(emptyForm.control(MainWindow::CopyPasswordButton));
    EXPECT_EQ(emptyForm.statusText(), "You must first select a row to copy from.");
    EXPECT_EQ(clipboardText(), std::nullopt);
    EXPECT_TRUE(messageBoxes.seen().empty());
    EXPECT_FALSE(empty->entryEditor().isLoaded());
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

TEST_F(EntryCommandsTest, CopyKeepsWhatItPutsThereOutOfClipboardHistoryCloudAndMonitors) {
    ClipboardLock clipboardLock;
    for (const Command& command : copyCommands()) {
        bothWays(
            command,
            [&] {
                selectRow(1);
                putOnClipboard("copied earlier");
            },
            [&] {
                std::map<std::string, std::optional<DWORD>> formats = clipboardFormats();
                EXPECT_EQ(formats.count("#1"), 1u) << "no plain text";  // CF_TEXT
                EXPECT_EQ(formats.count("ExcludeClipboardContentFromMonitorProcessing"), 1u);
                EXPECT_EQ(formats["CanIncludeInClipboardHistory"], 0u);
                EXPECT_EQ(formats["CanUploadToCloudClipboard"], 0u);
            });
    }
}

// The program's own ten seconds, whose tick the test delivers itself: the test moves the time, and
// no pump of the test's can let the time come early.
TEST_F(EntryCommandsTest, ACopiedPasswordLeavesTheClipboardWhenItsTimeComesUnlessSomethingElseWasCopiedSince) {
    ClipboardLock clipboardLock;
    Timer& clearing = *form().timer(MainWindow::ClipboardTimer);
    Timer& retrying = *form().timer(MainWindow::ClipboardRetryTimer);
    selectRow(2);

    click(form().control(MainWindow::CopyPasswordButton));
    EXPECT_EQ(clipboardText(), "pw-c");
    EXPECT_EQ(form().statusText(), "Copied Password pw-c");
    ASSERT_TRUE(clearing.enabled());
    clearing.tick();
    EXPECT_EQ(CountClipboardFormats(), 0);
    EXPECT_FALSE(clearing.enabled());

    // Another program's copy made meanwhile stays.
    click(form().control(MainWindow::CopyPasswordButton));
    putOnClipboard("the other program's text");
    clearing.tick();
    EXPECT_FALSE(clearing.enabled());
    EXPECT_EQ(clipboardText(), "the other program's text");

    // Another program has the clipboard open when the time comes: the password goes once it lets go.
    click(form().control(MainWindow::CopyPasswordButton));
    {
        ClipboardHolder other(std::nullopt);
        ASSERT_TRUE(other.holding());
        clearing.tick();
        EXPECT_TRUE(retrying.enabled()) << "the time came and found the clipboard held";
    }
    EXPECT_TRUE(pumpUntil([] { return CountClipboardFormats() == 0; }));
    EXPECT_FALSE(retrying.enabled());

    // A username or a location stays until something else is copied.
    click(form().control(MainWindow::CopyPasswordButton));
    click(form().control(MainWindow::CopyUsernameButton));
    EXPECT_FALSE(clearing.enabled());
    EXPECT_EQ(clipboardText(), "carol");
    EXPECT_EQ(program.endCount(), 0);
}

// A new password copied while the earlier one waited for another program to let the clipboard go
// (it lets go during the copy): the wait for the earlier one ends, and the new one stays its time.
TEST_F(EntryCommandsTest, ANewCopiedPasswordIsNotTakenForTheOneThatWasWaiting) {
    ClipboardLock clipboardLock;
    selectRow(0);
    click(form().control(MainWindow::CopyPasswordButton));
    ASSERT_EQ(clipboardText(), "pw-a");
    selectRow(2);
    {
        ClipboardHolder other(std::nullopt, 60);
        ASSERT_TRUE(other.holding());
        click(form().control(MainWindow::CopyPasswordButton));
    }
    ASSERT_EQ(clipboardText(), "pw-c");
    pumpFor(800);  // the retry, had it gone on, would have come three times by now
    EXPECT_EQ(clipboardText(), "pw-c");
}

// The delay the program ships with, not a test's: still there after 8 s, gone soon after 10 s.
TEST_F(EntryCommandsTest, ACopiedPasswordStaysOnTheClipboardForTenSeconds) {
    ClipboardLock clipboardLock;
    selectRow(0);
    click(form().control(MainWindow::CopyPasswordButton));
    pumpFor(8000);
    EXPECT_EQ(clipboardText(), "pw-a");
    EXPECT_TRUE(pumpUntil([] { return CountClipboardFormats() == 0; }, 10000));
}

TEST_F(EntryCommandsTest, ClosingTheProgramTakesItsCopiedPasswordOffTheClipboardButNoOneElsesCopy) {
    ClipboardLock clipboardLock;
    selectRow(0);
    click(form().control(MainWindow::CopyPasswordButton));
    ASSERT_EQ(clipboardText(), "pw-a");
    SendMessageW(form().hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_EQ(CountClipboardFormats(), 0);

    TestProgram other;
    other.writeVault("master", {{"dave", "pw-d", ""}});
    other.logIn("master");
    ListView_SetItemState(other->mainWindow().entryList.hwnd(), 0, LVIS_SELECTED, LVIS_SELECTED);
    click(other->mainWindow().control(MainWindow::CopyPasswordButton));
    putOnClipboard("copied after it");
    SendMessageW(other->mainWindow().hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(other.endCount(), 1);
    EXPECT_EQ(clipboardText(), "copied after it");
}

TEST_F(EntryCommandsTest, CopyWhileAnotherProgramHoldsTheClipboardSaysItFailed) {
    ClipboardLock clipboardLock;
    selectRow(1);
    {
        ClipboardHolder other("the other program's text");
        ASSERT_TRUE(other.holding());
        click(form().control(MainWindow::CopyPasswordButton));
        EXPECT_EQ(form().statusText(),
                  "Nothing copied: another program is using the clipboard.  Please try again.");
        chooseMenu(MainWindow::CopyMenu, 0);
        EXPECT_EQ(form().statusText(),
                  "Nothing copied: another program is using the clipboard.  Please try again.");
    }
    EXPECT_EQ(clipboardText(), "the other program's text");
    EXPECT_EQ(program.endCount(), 0);
    EXPECT_TRUE(form().isLoaded());
    EXPECT_TRUE(messageBoxes.seen().empty());

    // Once it lets go, copying works again.
    click(form().control(MainWindow::CopyPasswordButton));
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
            chooseMenu(MainWindow::DataMenu, 1);
        else
            click(form().control(MainWindow::DeleteButton));
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
    click(form().control(MainWindow::DeleteButton));
    EXPECT_EQ(messageBoxes.seen().back().text,
              "Are you sure you want to delete the following information?\r\n\r\nUsername: bob\r\nUsed At: "
              "www.example.com");
    EXPECT_EQ(messageBoxes.seen().back().text.find("w|rd"), std::string::npos);
    EXPECT_EQ(messageBoxes.unexpected(), 0);
}

TEST_F(EntryCommandsTest, DeleteWithOkRemovesTheRowAndSavesTheRest) {
    selectRow(1);
    messageBoxes.answer(IDOK);
    click(form().control(MainWindow::DeleteButton));
    EXPECT_EQ(form().statusText(), "Entry deleted successfully, data saved.");
    std::vector<Entry> expected = {{"alice", "pw-a", "georgetown"}, {"carol", "pw-c", ""}};
    EXPECT_EQ(shownEntries(), expected);
    EXPECT_EQ(vault::entriesOf(program.vaultBytes()), expected);
    EXPECT_EQ(vault::storedPasswordOf(program.vaultBytes()), "master");

    // From the menu, the empty location shows as an empty "Used At: " line.
    selectRow(1);
    messageBoxes.answer(IDOK);
    chooseMenu(MainWindow::DataMenu, 1);
    EXPECT_EQ(messageBoxes.seen().back().text,
              "Are you sure you want to delete the following information?\r\n\r\nUsername: carol\r\nUsed At: ");
    expected.pop_back();
    EXPECT_EQ(shownEntries(), expected);
    EXPECT_EQ(vault::entriesOf(program.vaultBytes()), expected);
    EXPECT_EQ(messageBoxes.unexpected(), 0);
}

TEST_F(EntryCommandsTest, DeleteAsksWithLongFieldsCutShortAndDeletesExactlyTheSelectedEntry) {
    const std::vector<Entry> before = shownEntries();
    program->vault().addEntry({std::string(1'000'000, 'n'), "pw", std::string(10'000, 'L')});
    selectRow(3);
    messageBoxes.answer(IDOK);
    click(form().control(MainWindow::DeleteButton));
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
    EXPECT_EQ(form().entryList.selectedIndex(), std::optional<size_t>(2));  // carol, the third row
    // The list's own behaviour, not a command: nothing else happens.
    EXPECT_EQ(form().statusText(), status);
    EXPECT_EQ(messageBoxes.seen().size(), 0u);
}

// ---- Go To ----

// A program that has these locations as its entries, logged in.
class ProgramWithLocations : public TestProgram {
public:
    explicit ProgramWithLocations(const std::vector<std::string>& locations) {
        for (const std::string& location : locations)
            entries.push_back({"user" + std::to_string(entries.size()), "pw", location});
        writeVault("master", entries);
        logIn("master");
    }
    // Go To on the row, from the button or the menu.
    void goTo(int row, bool fromMenu) {
        MainWindow& form = app().mainWindow();
        ListView_SetItemState(form.entryList.hwnd(), -1, 0, LVIS_SELECTED);
        ListView_SetItemState(form.entryList.hwnd(), row, LVIS_SELECTED, LVIS_SELECTED);
        app().mainWindow().setStatusText("before");
        if (fromMenu)
            SendMessageW(form.hwnd(), WM_COMMAND, MAKEWPARAM(MainWindow::menuItemId(MainWindow::DataMenu, 3), 0), 0);
        else
            click(form.control(MainWindow::GoToButton));
    }

    std::vector<Entry> entries;
};

std::string windowsFolder() {
    wchar_t folder[MAX_PATH] = L"";
    GetSystemWindowsDirectoryW(folder, MAX_PATH);
    return narrow(folder).text;
}

std::string systemExplorer() {
    return windowsFolder() + "\\explorer.exe";
}

bool sameText(const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

// The arguments a started program reads from this command line.
std::vector<std::string> argumentsOf(const std::string& commandLine) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(widen(commandLine).c_str(), &count);
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(narrow(arguments[i]).text);
    LocalFree(arguments);
    return out;
}

TEST_F(EntryCommandsTest, GoToStartsTheSystemExplorerMinimizedWithTheCompletedAddressAsOneArgument) {
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
        {"C:\\", "explorer C:\\"},
        {"intranet", "explorer intranet"},
        {"", "explorer "},
        {"C:\\My Files", "explorer \"C:\\My Files\""},
        {"C:\\My Files\\", "explorer \"C:\\My Files\\\\\""},
        {"\\\\server\\my share\\\\", "explorer \"\\\\server\\my share\\\\\\\\\""},
        {"www.my site.com", "explorer \"http://www.my site.com\""},
        {"C:\\Caf\xE9 Cr\xE8me", "explorer \"C:\\Caf\xE9 Cr\xE8me\""},
    };
    std::vector<std::string> locations;
    for (const Case& c : cases) locations.push_back(c.location);
    ProgramWithLocations places(locations);
    for (int row = 0; row < static_cast<int>(std::size(cases)); ++row) {
        const Case& c = cases[row];
        SCOPED_TRACE(c.location);
        places.goTo(row, row % 2 == 0);
        ASSERT_EQ(places.startedCommands().size(), static_cast<size_t>(row) + 1);
        EXPECT_EQ(places.startedCommands().back(), (StartedCommand{systemExplorer(), c.commandLine, SW_SHOWMINIMIZED}));
        EXPECT_EQ(places->mainWindow().statusText(), "Opening Location...");
        // Windows' own parser gives back the address whole, as explorer will read it.
        std::vector<std::string> expected = {"explorer"};
        if (!c.location.empty()) expected.push_back(completeLocation(c.location));
        EXPECT_EQ(argumentsOf(c.commandLine), expected);
    }
    EXPECT_EQ(places.endCount(), 0);
    EXPECT_TRUE(places->mainWindow().isLoaded());
    EXPECT_TRUE(places.openedAddresses().empty());
    // The locations themselves stay as they were stored.
    EXPECT_EQ(vault::entriesOf(places.vaultBytes()), places.entries);
    EXPECT_TRUE(messageBoxes.seen().empty());
}

TEST_F(EntryCommandsTest, GoToRefusesALocationExplorerCouldReadAsAnythingButOnePlace) {
    const std::vector<std::string> locations = {
        "/desktop=x",
        "/desktop=x,320x200 \"Z:\\tmp\\marker.exe\" --any",
        " /n,C:\\",
        "a\"b",
        "C:\\My \"Files\" /x",  // a space and a double quote
        "a\tb",
        "www.example.com\r\nsecond line",
    };
    ProgramWithLocations places(locations);
    for (int row = 0; row < static_cast<int>(locations.size()); ++row) {
        SCOPED_TRACE(locations[static_cast<size_t>(row)]);
        places.goTo(row, row % 2 == 0);
        EXPECT_EQ(places->mainWindow().statusText(),
                  "Location not opened: it may not begin with \"/\", nor hold a double quote or a control character.");
    }
    EXPECT_TRUE(places.startedCommands().empty());
    EXPECT_TRUE(places.openedAddresses().empty());
    EXPECT_EQ(places.endCount(), 0);
    EXPECT_TRUE(messageBoxes.seen().empty());
}

TEST_F(EntryCommandsTest, AShellThatCannotStartTheCommandSaysSoAndTheProgramGoesOn) {
    std::vector<std::string> tried;
    program->env().startProgram = [&](const std::string&, const std::string& commandLine, int) {
        tried.push_back(commandLine);
        return false;
    };
    selectRow(0);
    click(form().control(MainWindow::GoToButton));
    EXPECT_EQ(tried, (std::vector<std::string>{"explorer http://georgetown"}));
    EXPECT_EQ(form().statusText(), "Could not start: explorer http://georgetown");
    EXPECT_EQ(program.endCount(), 0);
    EXPECT_TRUE(form().isLoaded());
    EXPECT_TRUE(messageBoxes.seen().empty());
}

TEST_F(EntryCommandsTest, GoToRefusesWhatNoCommandLineHoldsAndShowsALongFailureCut) {
    const std::string explorer = "explorer ";  // then the location: a run of 'a's stays as it is
    const size_t fits = kLongestCommandLine - explorer.size();
    ProgramWithLocations places({std::string(fits, 'a'), std::string(fits + 1, 'a'), std::string(70000, 'a')});
    std::vector<std::string> tried;
    places->env().startProgram = [&](const std::string&, const std::string& commandLine, int) {
        tried.push_back(commandLine);
        return false;
    };
    const std::string tooLong = "Location not opened: it is too long for Windows to pass to another program.";
    const std::string statuses[] = {
        "Could not start: " + explorer + std::string(MAX_PATH - explorer.size(), 'a') + "...", tooLong, tooLong};
    for (int row = 0; row < 3; ++row) {
        places.goTo(row, row == 1);
        EXPECT_EQ(places->mainWindow().statusText(), statuses[row]) << row;
    }
    EXPECT_EQ(tried, (std::vector<std::string>{explorer + places.entries[0].location}));
}

// The processes this test program has started that are still running, by id, with their programs.
std::map<DWORD, std::string> runningChildren() {
    std::map<DWORD, std::string> children;
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID != GetCurrentProcessId()) continue;
        KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        wchar_t path[MAX_PATH] = L"";
        DWORD length = MAX_PATH;
        if (process) QueryFullProcessImageNameW(process.get(), 0, path, &length);
        children[entry.th32ProcessID] = narrow(path).text;
    }
    return children;
}

void endProcess(DWORD id) {
    KernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (!process) return;
    TerminateProcess(process.get(), 9);
    WaitForSingleObject(process.get(), 30000);
}

// A copy of this test program named explorer.exe in its own folder, which is also the folder the
// tests run in: the first two places a search for "explorer" would look. When started under that
// name it only waits to be ended (see test_main.cpp).
class PlantedExplorer {
public:
    PlantedExplorer() {
        wchar_t self[MAX_PATH] = L"";
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        path_ = std::filesystem::path(self).parent_path() / L"explorer.exe";
        planted_ = CopyFileW(self, path_.c_str(), FALSE) != FALSE;
    }
    ~PlantedExplorer() { DeleteFileW(path_.c_str()); }
    PlantedExplorer(const PlantedExplorer&) = delete;
    PlantedExplorer& operator=(const PlantedExplorer&) = delete;
    bool planted() const { return planted_; }
    std::string path() const { return narrow(path_.native()).text; }

private:
    std::filesystem::path path_;
    bool planted_ = false;
};

TEST_F(EntryCommandsTest, GoToNeverStartsAnExplorerPlacedBesideTheProgram) {
    PlantedExplorer planted;
    ASSERT_TRUE(planted.planted());
    TempFolder destination;
    ProgramWithLocations places({narrow(destination.path().native()).text});
    places->env().startProgram = Environment::real().startProgram;
    std::map<DWORD, std::string> before = runningChildren();

    places.goTo(0, false);

    std::vector<std::string> started;
    for (const auto& [id, program] : runningChildren()) {
        if (before.count(id)) continue;
        started.push_back(program);
        endProcess(id);
    }
    EXPECT_EQ(places->mainWindow().statusText(), "Opening Location...");
    ASSERT_EQ(started.size(), 1u);
    // Wine names its own explorer from the Windows folder's system32.
    std::filesystem::path program = started[0];
    EXPECT_TRUE(sameText(program.filename().string(), "explorer.exe")) << program;
    std::string inWindowsFolder = windowsFolder() + "\\";
    EXPECT_TRUE(sameText(program.string().substr(0, inWindowsFolder.size()), inWindowsFolder)) << program;
    EXPECT_FALSE(sameText(program.string(), planted.path())) << program;
}

}  // namespace
}  // namespace vk::test

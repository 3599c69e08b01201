// The main window: its layout, menus, resize rule, status line and closing sequence.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include "skin/skin_painter.h"
#include "test_support.h"

namespace vk::test {
namespace {


std::wstring menuText(HMENU menu, int position) {
    wchar_t text[128] = L"";
    GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
    return text;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.writeVault("master", {{"alice", "pw1", "georgetown"}, {"bob", "pw2", "www.example.com"}});
        program.logIn("master");
    }
    MainWindow& form() { return program->mainWindow(); }
    TestProgram program;
};

TEST_F(MainWindowTest, CaptionsComeFromTheBranding) {
    EXPECT_EQ(form().caption(), "Vellumkeep by Quorrindale");
    EXPECT_EQ(form().control(MainWindow::WebsiteButton)->text(), "Visit www.quorrindale.example");
    EXPECT_EQ(form().control(MainWindow::AddButton)->text(), "Add");
    EXPECT_EQ(form().control(MainWindow::DeleteButton)->text(), "Delete");
    EXPECT_EQ(form().control(MainWindow::EditButton)->text(), "Edit");
    EXPECT_EQ(form().control(MainWindow::GoToButton)->text(), "Go To");
    EXPECT_EQ(form().control(MainWindow::CopyUsernameButton)->text(), "Copy Username");
    EXPECT_EQ(form().control(MainWindow::CopyPasswordButton)->text(), "Copy Password");
    EXPECT_EQ(form().control(MainWindow::CopyLocationButton)->text(), "Copy Used At");
}

TEST_F(MainWindowTest, ListShowsTheEntriesInThreeNamedColumns) {
    HWND list = form().entryList.hwnd();
    const wchar_t* headers[] = {L"Username", L"Password", L"Website/Location"};
    for (int i = 0; i < 3; ++i) {
        wchar_t text[64] = L"";
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = 64;
        ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column)));
        EXPECT_STREQ(text, headers[i]);
    }
    EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & LVS_REPORT);
    EXPECT_EQ(listCount(list), 2);
    EXPECT_EQ(listText(list, 0, 0), "alice");
    EXPECT_EQ(listText(list, 0, 1), "pw1");
    EXPECT_EQ(listText(list, 1, 2), "www.example.com");
}

TEST_F(MainWindowTest, MenuBarReadsFileDataCopyHelpAbout) {
    HMENU bar = GetMenu(form().hwnd());
    ASSERT_EQ(GetMenuItemCount(bar), 5);
    const wchar_t* tops[] = {L"File", L"Data", L"Copy", L"Help", L"About"};
    std::vector<std::vector<std::wstring>> items = {
        {L"Encrypt Vault...", L"Change Master Password...", L"Import Entries...", L"Export Entries...", L"Options...", L"Lock\tCtrl+L", L"Earlier Versions...", L"Exit"},
        {L"Add Username/Password", L"Delete Selected Item", L"Edit Selected Item", L"Goto \"Used At\" Location",
         L"Find...\tCtrl+F"},
        {L"Selected Username", L"Selected Password", L"Selected Used At Location"},
        {L"View Help"},
        {L"About this software"}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(menuText(bar, i), tops[i]);
        HMENU popup = GetSubMenu(bar, i);
        ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(items[i].size()));
        for (int j = 0; j < GetMenuItemCount(popup); ++j) {
            EXPECT_EQ(menuText(popup, j), items[i][j]);
            EXPECT_EQ(menuText(popup, j).find(L'&'), std::wstring::npos);
        }
    }
}

TEST_F(MainWindowTest, MenuItemsRunTheButtonsCommandsByIndex) {
    ClipboardLock clipboardLock;  // the Copy items empty the clipboard
    auto choose = [&](MainWindow::Menu menu, int index) {
        SendMessageW(form().hwnd(), WM_COMMAND, MAKEWPARAM(MainWindow::menuItemId(menu, index), 0), 0);
    };
    choose(MainWindow::DataMenu, 1);
    EXPECT_EQ(form().statusText(), "You must first select an entry to delete.");
    choose(MainWindow::DataMenu, 2);
    EXPECT_EQ(form().statusText(), "You must first select an entry to edit.");
    choose(MainWindow::DataMenu, 3);
    EXPECT_EQ(form().statusText(), "You must first select an entry to go to.");
    for (int i = 0; i < 3; ++i) {
        form().setStatusText("");
        choose(MainWindow::CopyMenu, i);
        EXPECT_EQ(form().statusText(), "You must first select a row to copy from.");
    }
    form().setStatusText("unchanged");
    choose(MainWindow::DataMenu, 5);  // no such items
    choose(MainWindow::FileMenu, 1);
    EXPECT_EQ(form().statusText(), "unchanged");
    EXPECT_TRUE(form().isLoaded());
    choose(MainWindow::DataMenu, 0);
    EXPECT_TRUE(program->entryEditor().isLoaded());
    EXPECT_EQ(program->entryEditor().caption(), "Add an entry");
    choose(MainWindow::AboutMenu, 0);
    EXPECT_TRUE(program->aboutBox().visible());
}

TEST_F(MainWindowTest, ANewStatusTextReplacesTheWholeLine) {
    program->mainWindow().setStatusText("first text");
    program->mainWindow().setStatusText("second");
    EXPECT_EQ(form().statusText(), "second");
    program->mainWindow().setStatusText("");
    EXPECT_EQ(form().statusText(), "");
}

TEST_F(MainWindowTest, ListFollowsTheWindowsSizeByTheResizeRule) {
    HWND hwnd = form().hwnd();
    auto resizeTo = [&](int widthTwips, int heightTwips) {
        SetWindowPos(hwnd, nullptr, 0, 0, form().toPixels(widthTwips), form().toPixels(heightTwips),
                     SWP_NOMOVE | SWP_NOZORDER);
    };
    resizeTo(12000, 9000);
    PixelRect list = placeOf(form().entryList.hwnd());
    EXPECT_EQ(list.width, form().toPixels(std::abs(form().width() - 620)));
    EXPECT_EQ(list.height, form().toPixels(std::abs(form().height() - 2980)));
    EXPECT_EQ(list.left, 4);
    EXPECT_EQ(list.top, 132);
    // The buttons and columns keep their places and widths.
    EXPECT_EQ(placeOf(form().control(MainWindow::WebsiteButton)->hwnd()), (PixelRect{324, 4, 273, 69}));
    EXPECT_EQ(ListView_GetColumnWidth(form().entryList.hwnd(), 0), 156);
    // The status line stays docked along the whole bottom edge.
    RECT client{};
    GetClientRect(hwnd, &client);
    PixelRect status = placeOf(form().control(MainWindow::StatusBar)->hwnd());
    EXPECT_EQ(status.top + status.height, client.bottom);
    EXPECT_EQ(status.width, client.right);

    // Minimized: nothing changes; restored: the rule runs again.
    ShowWindow(hwnd, SW_MINIMIZE);
    EXPECT_EQ(placeOf(form().entryList.hwnd()).width, list.width);
    ShowWindow(hwnd, SW_RESTORE);
    EXPECT_EQ(placeOf(form().entryList.hwnd()).width, form().toPixels(std::abs(form().width() - 620)));

    // Lower than the rule's margin: the difference with its sign dropped. (No window can be made
    // narrower than 620 twips: the system's minimum tracking size is larger.)
    resizeTo(2000, 1500);
    int h = form().height();
    ASSERT_LT(h, 2980);
    list = placeOf(form().entryList.hwnd());
    EXPECT_EQ(list.height, form().toPixels(2980 - h));
    EXPECT_EQ(list.width, form().toPixels(std::abs(form().width() - 620)));
}

// As the program ships, started on its splash, the skin stands in front of the main window's own
// handling: the list still follows the window.
TEST(ShippedMainWindow, ListFollowsTheSkinnedWindowsSize) {
    TestProgram program;
    program.writeVault("master");
    program->start();
    ASSERT_TRUE(pumpUntil([&] { return program->passwordDialog().visible(); }));
    setText(program->passwordDialog().control(PasswordDialog::PasswordBox), "master");
    click(program->passwordDialog().control(PasswordDialog::OkButton));
    MainWindow& form = program->mainWindow();
    ASSERT_TRUE(form.visible());
    ASSERT_NE(skinOf(form.hwnd()), nullptr);
    SetWindowPos(form.hwnd(), nullptr, 0, 0, form.toPixels(12000), form.toPixels(9000), SWP_NOMOVE | SWP_NOZORDER);
    PixelRect list = placeOf(form.entryList.hwnd());
    EXPECT_EQ(list.width, form.toPixels(form.width() - 620));
    EXPECT_EQ(list.height, form.toPixels(form.height() - 2980));
}

TEST_F(MainWindowTest, StatusBarPanelIsAsWideAsTheWindowAtLoad) {
    int parts[4] = {};
    ASSERT_EQ(SendMessageW(form().control(MainWindow::StatusBar)->hwnd(), SB_GETPARTS, 4, reinterpret_cast<LPARAM>(parts)),
              1);
    RECT outer{};
    GetWindowRect(form().hwnd(), &outer);
    EXPECT_NEAR(parts[0], outer.right - outer.left, 1);
    EXPECT_EQ(form().statusText(), "Loaded 2 entries");
}

TEST_F(MainWindowTest, ClosingUnloadsEveryWindowThenEndsTheProgram) {
    program->aboutBox().show();
    program->entryEditor().show();
    program->helpViewer().load();
    program->splashWindow().load();
    form().onWebsiteClick();
    ASSERT_TRUE(program->helpViewer().isLoaded() && program->aboutBox().isLoaded() && program->entryEditor().isLoaded() &&
                program->splashWindow().isLoaded() && program->linkLauncher().isLoaded());
    std::vector<int> before = program.skinSupport().calls;
    SendMessageW(form().hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(program->helpViewer().isLoaded());
    EXPECT_FALSE(program->aboutBox().isLoaded());
    EXPECT_FALSE(program->entryEditor().isLoaded());
    EXPECT_FALSE(program->splashWindow().isLoaded());
    EXPECT_FALSE(program->linkLauncher().isLoaded());
    EXPECT_EQ(program.endCount(), 1);
    std::vector<int> after = program.skinSupport().calls;
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(after.back(), 6);
}

TEST_F(MainWindowTest, ExitMenuClosesLikeTheCloseBox) {
    const int exit = GetMenuItemCount(GetSubMenu(GetMenu(form().hwnd()), 0)) - 1;  // the last item
    SendMessageW(form().hwnd(), WM_COMMAND, MAKEWPARAM(MainWindow::menuItemId(MainWindow::FileMenu, exit), 0), 0);
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_FALSE(program->linkLauncher().isLoaded());  // closing never loads the launcher
}

TEST(SkinSupportOrder, SplashMainWindowAndClosingCallItInOrder) {
    TestProgram program;
    program.writeVault("master");
    program->splashWindow().load();
    program->mainWindow().load();  // as the splash's hand-over does
    setText(program->passwordDialog().control(PasswordDialog::PasswordBox), "master");
    click(program->passwordDialog().control(PasswordDialog::OkButton));
    SendMessageW(program->mainWindow().hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(program.skinSupport().calls, (std::vector<int>{2, 5, 6, 6}));
}

TEST(SkinSupportOrder, BeforeWindowsVistaTheMainWindowsLoadLeavesItAlone) {
    TestProgram program;
    program.setNT6OrLater(false);
    program.writeVault("master");
    program->splashWindow().load();
    program->mainWindow().load();
    EXPECT_EQ(program.skinSupport().calls, (std::vector<int>{2, 5}));
}

}  // namespace
}  // namespace vk::test

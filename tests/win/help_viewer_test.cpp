// The help viewer: opening at start, the "Show at Startup" setting in the registry, the document
// shown from Help.rtf, and what happens when that file is missing.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>

#include "platform/text.h"
#include "test_support.h"

namespace vk::test {
namespace {

constexpr const char* kPhrase = "The lantern is lit for the tests.";
constexpr const char* kOtherPhrase = "A second edition of the document.";

std::string smallDocument(const std::string& phrase) {
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Verdana;}}\\f0\\fs20 "
           "{\\b Getting started}\\par " +
           phrase + "\\par}";
}

// The text the rich-text box shows, as plain text.
std::string documentText(HWND box) {
    GETTEXTLENGTHEX lengthQuery{GTL_DEFAULT | GTL_NUMCHARS, 1200};
    auto length = SendMessageW(box, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthQuery), 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GETTEXTEX query{};
    query.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    query.flags = GT_DEFAULT;
    query.codepage = 1200;
    auto got = SendMessageW(box, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(got));
    return displayText(text);
}

// The character format of the first occurrence of `phrase` in the box; empty when it is not there.
std::optional<CHARFORMAT2W> formatOf(HWND box, const std::string& phrase) {
    std::wstring wide = widen(phrase);
    FINDTEXTEXW find{};
    find.chrg = {0, -1};
    find.lpstrText = wide.c_str();
    if (SendMessageW(box, EM_FINDTEXTEXW, FR_DOWN | FR_MATCHCASE, reinterpret_cast<LPARAM>(&find)) < 0)
        return std::nullopt;
    SendMessageW(box, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&find.chrgText));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    SendMessageW(box, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format;
}

std::string settingsKey(const std::string& root, const std::string& app = "Vellumkeep") {
    return root + "\\" + app + "\\Settings";
}

// The stored "showHelp" text, read straight from the registry; empty when absent. A value of
// another type than a string fails the test.
std::optional<std::string> storedShowHelp(const std::string& key) {
    char buffer[256] = "";
    DWORD size = sizeof buffer, type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "showHelp", RRF_RT_ANY, &type, buffer, &size) != ERROR_SUCCESS)
        return std::nullopt;
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    return std::string(buffer);
}

void storeShowHelp(const std::string& key, const std::string& value) {
    HKEY hkey = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hkey, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(hkey, "showHelp", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(hkey);
}

class HelpViewerTest : public ::testing::Test {
protected:
    // Every start of the program in a test shares the first start's settings, as one user's do.
    std::string key() const { return settingsKey(first.settingsRoot()); }

    // A start of the program: its folder (with the help document or without), its vault, logged in.
    std::unique_ptr<TestProgram> start(const std::optional<std::string>& document = smallDocument(kPhrase)) {
        auto program = std::make_unique<TestProgram>();
        (*program)->env().settings.root = first.settingsRoot();
        prepare(*program, document);
        program->logIn("master");
        return program;
    }

    static void prepare(TestProgram& program, const std::optional<std::string>& document) {
        program.writeVault("master");
        if (document) writeFile(program.folder().file("Help.rtf"), *document);
    }

    static void chooseHelp(TestProgram& program) {
        SendMessageW(program->mainWindow().hwnd(), WM_COMMAND,
                     MAKEWPARAM(MainWindow::menuItemId(MainWindow::HelpMenu, 0), 0), 0);
    }

    static int checkState(TestProgram& program) {
        return static_cast<int>(
            SendMessageW(program->helpViewer().control(HelpViewer::ShowAtStartupBox)->hwnd(), BM_GETCHECK, 0, 0));
    }

    TestProgram first;
};

TEST_F(HelpViewerTest, FirstStartOpensTheViewerTopmostOwnedAndCentred) {
    prepare(first, smallDocument(kPhrase));
    ASSERT_FALSE(storedShowHelp(key()));
    first.logIn("master");
    HelpViewer& viewer = first->helpViewer();
    ASSERT_TRUE(viewer.isLoaded());
    EXPECT_TRUE(IsWindowVisible(viewer.hwnd()));
    EXPECT_TRUE(first->mainWindow().visible());
    EXPECT_EQ(viewer.caption(), "Readme/Help");

    LONG style = GetWindowLongW(viewer.hwnd(), GWL_STYLE);
    LONG exStyle = GetWindowLongW(viewer.hwnd(), GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_NE(GetWindow(viewer.hwnd(), GW_OWNER), nullptr);  // owned windows stay out of the task bar

    RECT outer{}, area{};
    GetWindowRect(viewer.hwnd(), &outer);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_NEAR((outer.left + outer.right) / 2, (area.left + area.right) / 2, 1);
    EXPECT_NEAR((outer.top + outer.bottom) / 2, (area.top + area.bottom) / 2, 1);

    EXPECT_EQ(viewer.control(HelpViewer::ShowAtStartupBox)->text(), "Show at Startup");
    EXPECT_EQ(checkState(first), BST_CHECKED);
    std::string text = documentText(viewer.control(HelpViewer::Document)->hwnd());
    EXPECT_NE(text.find(kPhrase), std::string::npos) << text;
    EXPECT_EQ(text.find("\\rtf1"), std::string::npos) << "shown as rich text, not as its source";
    auto heading = formatOf(viewer.control(HelpViewer::Document)->hwnd(), "Getting started");
    ASSERT_TRUE(heading);
    EXPECT_TRUE(heading->dwEffects & CFE_BOLD);
    // The box agreed with the default, so nothing was written.
    EXPECT_FALSE(storedShowHelp(key()));
    EXPECT_FALSE(first->passwordDialog().isLoaded());
}

TEST_F(HelpViewerTest, ClearingTheBoxStopsTheOpeningAtStartUntilItIsCheckedAgain) {
    prepare(first, smallDocument(kPhrase));
    first.logIn("master");
    ASSERT_TRUE(first->helpViewer().visible());
    click(first->helpViewer().control(HelpViewer::ShowAtStartupBox));
    EXPECT_EQ(checkState(first), BST_UNCHECKED);
    EXPECT_EQ(storedShowHelp(key()), "0");
    SendMessageW(first->mainWindow().hwnd(), WM_CLOSE, 0, 0);
    ASSERT_EQ(first.endCount(), 1);

    // The next start leaves it closed; the Help menu still opens it, showing the box cleared.
    auto second = start();
    EXPECT_FALSE((*second)->helpViewer().isLoaded());
    chooseHelp(*second);
    ASSERT_TRUE((*second)->helpViewer().visible());
    EXPECT_TRUE(GetWindowLongW((*second)->helpViewer().hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(checkState(*second), BST_UNCHECKED);
    EXPECT_EQ(storedShowHelp(key()), "0");
    click((*second)->helpViewer().control(HelpViewer::ShowAtStartupBox));
    EXPECT_EQ(checkState(*second), BST_CHECKED);
    EXPECT_EQ(storedShowHelp(key()), "1");
    SendMessageW((*second)->mainWindow().hwnd(), WM_CLOSE, 0, 0);

    auto third = start();
    EXPECT_TRUE((*third)->helpViewer().visible());
    EXPECT_EQ(checkState(*third), BST_CHECKED);
    EXPECT_EQ(storedShowHelp(key()), "1");
}

TEST_F(HelpViewerTest, StoredTextsTheProgramNeverWritesAreReadAsNumbersButDoNotOpenIt) {
    struct Case {
        const char* stored;
        int box;
    };
    // " 1" and "01" are 1 as a number but not the text "1"; "x" is no number, so the box keeps its
    // design state.
    const Case cases[] = {{" 1", BST_CHECKED}, {"01", BST_CHECKED}, {"2", BST_INDETERMINATE}, {"x", BST_CHECKED}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("stored \"") + c.stored + "\"");
        storeShowHelp(key(), c.stored);
        auto program = start();
        EXPECT_FALSE((*program)->helpViewer().isLoaded()) << "opened at start";
        chooseHelp(*program);
        ASSERT_TRUE((*program)->helpViewer().visible());
        EXPECT_EQ(checkState(*program), c.box);
        EXPECT_EQ(storedShowHelp(key()), c.stored);
    }
}

TEST_F(HelpViewerTest, WithoutTheDocumentNoWindowShowsAndTheSettingIsLeftAlone) {
    // Absent setting: the start-up step loads the viewer, which stays hidden.
    first.writeVault("master");
    first.logIn("master");
    EXPECT_TRUE(first->helpViewer().isLoaded());
    EXPECT_FALSE(first->helpViewer().visible());
    chooseHelp(first);
    chooseHelp(first);
    EXPECT_FALSE(first->helpViewer().visible());
    EXPECT_FALSE(storedShowHelp(key()));

    // "0": nothing at start, and the Help menu shows nothing either.
    storeShowHelp(key(), "0");
    auto program = start(std::nullopt);
    EXPECT_FALSE((*program)->helpViewer().isLoaded());
    chooseHelp(*program);
    EXPECT_FALSE((*program)->helpViewer().visible());
    EXPECT_EQ(storedShowHelp(key()), "0");

    // Once the document is back, a closed viewer shows it at its next opening.
    (*program)->helpViewer().unload();
    writeFile(program->folder().file("Help.rtf"), smallDocument(kPhrase));
    chooseHelp(*program);
    EXPECT_TRUE((*program)->helpViewer().visible());
    EXPECT_EQ(checkState(*program), BST_UNCHECKED);
}

TEST_F(HelpViewerTest, HelpCommandWhileOpenShowsTheSameViewerAndClosingReloadsIt) {
    prepare(first, smallDocument(kPhrase));
    first.logIn("master");
    HelpViewer& viewer = first->helpViewer();
    ASSERT_TRUE(viewer.visible());
    HWND shown = viewer.hwnd();
    // Changes that a fresh load would undo: a new document on disk and a box state never stored.
    writeFile(first.folder().file("Help.rtf"), smallDocument(kOtherPhrase));
    SendMessageW(viewer.control(HelpViewer::ShowAtStartupBox)->hwnd(), BM_SETCHECK, BST_UNCHECKED, 0);
    chooseHelp(first);
    EXPECT_EQ(viewer.hwnd(), shown);
    EXPECT_TRUE(viewer.visible());
    EXPECT_TRUE(GetWindowLongW(viewer.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(checkState(first), BST_UNCHECKED);
    EXPECT_NE(documentText(viewer.control(HelpViewer::Document)->hwnd()).find(kPhrase), std::string::npos);
    EXPECT_FALSE(storedShowHelp(key()));

    SendMessageW(viewer.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(viewer.isLoaded());
    chooseHelp(first);
    ASSERT_TRUE(viewer.visible());
    EXPECT_EQ(checkState(first), BST_CHECKED);
    std::string text = documentText(viewer.control(HelpViewer::Document)->hwnd());
    EXPECT_NE(text.find(kOtherPhrase), std::string::npos) << text;
    EXPECT_EQ(text.find(kPhrase), std::string::npos);
}

// The Help.rtf that ships beside the program, reached through Wine's drive for the Unix root.
std::filesystem::path shippedDocument() {
    std::string source = __FILE__;
    for (char& c : source)
        if (c == '/') c = '\\';
    std::filesystem::path file(source.front() == '\\' ? "Z:" + source : source);
    return file.parent_path().parent_path().parent_path() / "resources" / "Help.rtf";
}

std::wstring menuText(HMENU menu, int position) {
    wchar_t text[128] = L"";
    GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
    return text;
}

TEST_F(HelpViewerTest, ShippedDocumentNamesEveryCommandAndReadsAsRichText) {
    std::filesystem::path shipped = shippedDocument();
    if (!std::filesystem::exists(shipped)) {
        GTEST_SKIP() << "the source tree is not reachable: " << shipped;
    }
    prepare(first, readFile(shipped));
    first.logIn("master");
    HWND box = first->helpViewer().control(HelpViewer::Document)->hwnd();
    ASSERT_TRUE(first->helpViewer().visible());
    std::string text = documentText(box);
    ASSERT_GT(text.size(), 3000u);
    EXPECT_EQ(text.find("\\par"), std::string::npos);
    EXPECT_EQ(text.find("{\\"), std::string::npos);

    // Every menu item and every button of the main window, by the name the user sees.
    HMENU bar = GetMenu(first->mainWindow().hwnd());
    ASSERT_EQ(GetMenuItemCount(bar), 5);
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        HMENU popup = GetSubMenu(bar, i);
        for (int j = 0; j < GetMenuItemCount(popup); ++j) {
            std::wstring shown = menuText(popup, j);
            std::string item = displayText(shown.substr(0, shown.find(L'\t')));  // without its shortcut key
            EXPECT_NE(text.find(item), std::string::npos) << "menu item " << item;
        }
    }
    for (Control* button :
         {first->mainWindow().control(MainWindow::AddButton), first->mainWindow().control(MainWindow::DeleteButton),
          first->mainWindow().control(MainWindow::EditButton), first->mainWindow().control(MainWindow::GoToButton),
          first->mainWindow().control(MainWindow::WebsiteButton), first->mainWindow().control(MainWindow::CopyUsernameButton),
          first->mainWindow().control(MainWindow::CopyPasswordButton), first->mainWindow().control(MainWindow::CopyLocationButton)})
        EXPECT_NE(text.find(button->text()), std::string::npos) << "button " << button->text();
    for (const char* phrase : {"at least 4 characters", "cannot be reset or recovered", "three wrong tries",
                               "can read every password in it", "data.enc", "Vellumkeep.exe", "Show at Startup",
                               "\"|||\"", "http://"})
        EXPECT_NE(text.find(phrase), std::string::npos) << phrase;
    // What the program does where a reader might guess otherwise: which locations get "http://",
    // Copy without a selection, and the order of the first sort.
    for (const char* phrase : {"www, .com, .net, .edu, org or biz", "even when no entry is selected", "from Z to A"})
        EXPECT_NE(text.find(phrase), std::string::npos) << phrase;

    auto heading = formatOf(box, "The entry editor");
    ASSERT_TRUE(heading);
    EXPECT_TRUE(heading->dwEffects & CFE_BOLD);
    EXPECT_STREQ(heading->szFaceName, L"Verdana");
    auto body = formatOf(box, "Every change is saved at once");
    ASSERT_TRUE(body);
    EXPECT_STREQ(body->szFaceName, L"Verdana");
    EXPECT_GT(heading->yHeight, body->yHeight);
}

bool topmost(HWND window) { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

// True when `upper` comes before `lower` in the z-order of top-level windows.
bool standsAbove(HWND upper, HWND lower) {
    for (HWND window = GetWindow(upper, GW_HWNDNEXT); window; window = GetWindow(window, GW_HWNDNEXT))
        if (window == lower) return true;
    return false;
}

BOOL CALLBACK findMessageBox(HWND window, LPARAM found) {
    wchar_t name[16] = L"";
    GetClassNameW(window, name, 16);
    if (lstrcmpW(name, L"#32770") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The message box this thread has open.
HWND openBox() {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findMessageBox, reinterpret_cast<LPARAM>(&box));
    return box;
}

// The viewer is kept on top, yet the program's own dialogs and message boxes open above it, and it
// goes back on top when they close.
TEST_F(HelpViewerTest, TheProgramsDialogsAndMessageBoxesOpenAboveTheViewer) {
    prepare(first, smallDocument(kPhrase));
    first.logIn("master");
    HWND viewer = first->helpViewer().hwnd();
    ASSERT_TRUE(IsWindowVisible(viewer));
    ASSERT_TRUE(topmost(viewer));
    auto expectAboveViewer = [viewer](HWND dialog, const char* what) {
        EXPECT_TRUE(IsWindowVisible(dialog)) << what;
        EXPECT_FALSE(topmost(viewer)) << what;
        EXPECT_TRUE(standsAbove(dialog, viewer)) << what;
    };
    MessageBoxes boxes;

    first->mainWindow().onAddClick();
    expectAboveViewer(first->entryEditor().hwnd(), "the editor");
    boxes.answerAfter(IDOK, [&] { expectAboveViewer(openBox(), "the editor's error box"); });
    click(first->entryEditor().control(EntryEditor::SaveButton));
    EXPECT_TRUE(standsAbove(first->entryEditor().hwnd(), viewer)) << "while the editor stays open";
    first->entryEditor().unload();
    EXPECT_TRUE(topmost(viewer));

    first->mainWindow().onAboutClick();
    expectAboveViewer(first->aboutBox().hwnd(), "the about box");
    first->aboutBox().unload();
    EXPECT_TRUE(topmost(viewer));

    HWND list = first->mainWindow().entryList.hwnd();
    first->vault().addEntry({"alice", "pw", "x"});
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    boxes.answerAfter(IDCANCEL, [&] { expectAboveViewer(openBox(), "Confirm Delete"); });
    first->mainWindow().onDeleteClick();
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[1].title, "Confirm Delete");
    EXPECT_TRUE(topmost(viewer));
    EXPECT_EQ(boxes.unexpected(), 0);
}

TEST(ShowHelpSetting, LivesWhereSuchProgramsKeepTheirSettings) {
    const std::string app = "VellumkeepTest-" + std::to_string(GetCurrentProcessId());
    struct RemoveAfter {
        std::string path;
        ~RemoveAfter() { RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str()); }
    } cleanup{std::string(kSettingsRoot) + "\\" + app};
    const std::string key = settingsKey("Software\\VB and VBA Program Settings", app);

    SettingsStore store;
    EXPECT_EQ(store.root, "Software\\VB and VBA Program Settings");
    EXPECT_EQ(Environment::real().settings.root, store.root);
    EXPECT_EQ(store.get(app, "Settings", "showHelp", "1"), "1");
    ASSERT_TRUE(store.save(app, "Settings", "showHelp", "0"));
    EXPECT_EQ(storedShowHelp(key), "0");
    EXPECT_EQ(store.get(app, "Settings", "showHelp", "1"), "0");
    ASSERT_TRUE(store.save(app, "Settings", "showHelp", "1"));
    EXPECT_EQ(storedShowHelp(key), "1");

    // A value written by someone else is read as it stands.
    storeShowHelp(key, " 1");
    EXPECT_EQ(store.get(app, "Settings", "showHelp", "1"), " 1");
    EXPECT_EQ(store.get(app, "Other", "showHelp", "fallback"), "fallback");
}

TEST(CheckStateFromSetting, ReadsTheTextAsASmallWholeNumber) {
    struct Case {
        const char* text;
        std::optional<int> state;
    };
    const Case cases[] = {
        {"1", 1}, {" 1 ", 1}, {"01", 1}, {"0", 0}, {"2", 2}, {"+1", 1},
        // Halves go to the even neighbour.
        {"1.5", 2}, {"2.5", 2}, {"0.5", 0},
        // Not a state: not a number, empty, or outside 0 to 2.
        {"x", std::nullopt}, {"", std::nullopt}, {" ", std::nullopt}, {"3", std::nullopt}, {"-1", std::nullopt},
        {"1x", std::nullopt}, {"40000", std::nullopt},
        // Exponent forms are not taken: the program only ever stores "0" and "1".
        {"1e0", std::nullopt}};
    for (const Case& c : cases) {
        EXPECT_EQ(showAtStartupOf(c.text), c.state) << "\"" << c.text << "\"";
    }
}

}  // namespace
}  // namespace vk::test

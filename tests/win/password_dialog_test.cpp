// The master password gate through the real windows: the vault gate opens passwordDialog in create or
// enter mode, the dialog keeps the main window hidden, checks what is typed, and hands over to the
// main window or ends the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/text.h"
#include "test_support.h"

namespace vk::test {
namespace {

const std::string kAppTitle = "Vellumkeep Full";
const std::string kTooShort = "You must enter a password that is at least 4 characters long";
const std::string kMismatch = "Your passwords did not match.  Please try again.";
const std::string kWrong = "Sorry, the password you entered was not correct.";
const std::string kOnlyThreeTries = "Only 3 tries allowed.  Click Ok to close.";

// The vault's scrambling, written out here so that the bytes on disk are checked independently.
std::string scrambled(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = static_cast<char>(static_cast<unsigned char>(c) ^ 0x80);
    return out;
}

bool isTopmost(const Window& window) {
    return (GetWindowLongW(window.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

std::wstring fontFace(HWND control) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    if (!font || !GetObjectW(font, sizeof lf, &lf)) return L"(none)";
    return lf.lfFaceName;
}

void expectOkOnlyBox(const SeenBox& box, const std::string& text, HWND owner) {
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.title, kAppTitle);
    EXPECT_TRUE(box.hasOk);
    EXPECT_FALSE(box.hasCancel || box.hasRetry || box.hasYes || box.hasNo);
    EXPECT_FALSE(box.hasIcon);
    EXPECT_EQ(box.owner, owner);
}

void expectWrongPasswordBox(const SeenBox& box, HWND owner) {
    EXPECT_EQ(box.text, kWrong);
    EXPECT_EQ(box.title, "Incorrect Password");
    EXPECT_TRUE(box.hasRetry);
    EXPECT_TRUE(box.hasCancel);
    EXPECT_FALSE(box.hasOk || box.hasYes || box.hasNo);
    EXPECT_FALSE(box.hasIcon);
    EXPECT_EQ(box.owner, owner);
}

// Everything the gate touches, started as the splash's hand-over would start it.
class GateTest : public ::testing::Test {
protected:
    PasswordDialog& dialog() { return program->passwordDialog(); }
    MainWindow& form() { return program->mainWindow(); }
    HWND dialogHwnd() { return dialog().hwnd(); }

    void start() {
        program.loadMainWindow();
        ASSERT_TRUE(form().isLoaded());
        ASSERT_TRUE(dialog().isLoaded());
        ASSERT_TRUE(dialog().visible());
    }
    void type(const std::string& first, const std::string& second) {
        setText(dialog().control(PasswordDialog::PasswordBox), first);
        setText(dialog().control(PasswordDialog::RetypeBox), second);
    }
    // Centred in the screen's work area once its final size is set.
    void expectCentred() {
        RECT area{}, outer{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        GetWindowRect(dialogHwnd(), &outer);
        EXPECT_NEAR(outer.left + outer.right, area.left + area.right, 1);
        EXPECT_NEAR(outer.top + outer.bottom, area.top + area.bottom, 1);
    }
    // The gate is still waiting: nothing was accepted, written or ended.
    void expectStillAsking(const std::string& vaultBytes) {
        EXPECT_TRUE(dialog().isLoaded());
        EXPECT_TRUE(dialog().visible());
        EXPECT_FALSE(form().visible());
        EXPECT_FALSE(program->vaultSession().isOpen());
        EXPECT_EQ(program.endCount(), 0);
        EXPECT_EQ(hex(program.vaultBytes()), hex(vaultBytes));
    }

    TestProgram program;
    MessageBoxes boxes;
};

// --- First start: no vault beside the program ------------------------------------------------

class FirstStartTest : public GateTest {
protected:
    void SetUp() override {
        ASSERT_FALSE(std::filesystem::exists(program.vaultPath()));
        start();
    }
};

TEST_F(FirstStartTest, CreatesAFreshVaultAndOpensTheDialogInCreateMode) {
    EXPECT_EQ(hex(program.vaultBytes()), "0D 0A");
    EXPECT_TRUE(program->passwordDialog().creatingPassword());
    EXPECT_EQ(dialog().caption(), "Password Required");
    EXPECT_EQ(dialog().control(PasswordDialog::MessageLabel)->text(),
              "Because this is the first time you have used Vellumkeep, you will need to create a master "
              "password.  This password will be required to open the program from now on, and can not be "
              "reset.\r\n\r\nPlease enter a password that you will not forget.");
    EXPECT_EQ(dialog().control(PasswordDialog::PasswordLabel)->text(), "Password:");
    EXPECT_EQ(dialog().control(PasswordDialog::RetypeLabel)->text(), "Retype Password:");
    EXPECT_TRUE(dialog().control(PasswordDialog::RetypeLabel)->visible());
    EXPECT_TRUE(dialog().control(PasswordDialog::RetypeBox)->visible());
    EXPECT_TRUE(dialog().control(PasswordDialog::PasswordBox)->text().empty());

    expectCentred();

    EXPECT_TRUE(isTopmost(dialog()));
    for (const auto& control : dialog().controls()) EXPECT_EQ(fontFace(control->hwnd()), L"Verdana") << control->id();
    for (const Control* box : {dialog().control(PasswordDialog::PasswordBox), dialog().control(PasswordDialog::RetypeBox)})
        EXPECT_EQ(SendMessageW(box->hwnd(), EM_GETPASSWORDCHAR, 0, 0), L'*') << box->id();

    // Tab order, as the system walks it.
    std::vector<HWND> order;
    HWND item = GetNextDlgTabItem(dialogHwnd(), nullptr, FALSE);
    for (int i = 0; i < 4 && item; ++i, item = GetNextDlgTabItem(dialogHwnd(), item, FALSE)) order.push_back(item);
    EXPECT_EQ(order, (std::vector<HWND>{
                         dialog().control(PasswordDialog::OkButton)->hwnd(), dialog().control(PasswordDialog::CancelButton)->hwnd(),
                         dialog().control(PasswordDialog::PasswordBox)->hwnd(), dialog().control(PasswordDialog::RetypeBox)->hwnd()}));
    EXPECT_EQ(item, dialog().control(PasswordDialog::OkButton)->hwnd());  // and round again
    EXPECT_EQ(program.endCount(), 0);
}

TEST_F(FirstStartTest, TheRetypeBoxIsDrawnWholeOverTheLabelThatReachesIntoIt) {
    HWND label = dialog().control(PasswordDialog::RetypeLabel)->hwnd(), box = dialog().control(PasswordDialog::RetypeBox)->hwnd();
    RECT labelPlace{}, boxPlace{};
    GetWindowRect(label, &labelPlace);
    GetWindowRect(box, &boxPlace);
    const int boxLeft = boxPlace.left - labelPlace.left, middle = (labelPlace.bottom - labelPlace.top) / 2;
    ASSERT_LT(boxLeft, labelPlace.right - labelPlace.left);  // the label reaches into the box
    // The system lets the box draw its left border there, and the label leaves that part unpainted.
    HDC boxDc = GetWindowDC(box);
    EXPECT_TRUE(PtVisible(boxDc, 0, labelPlace.top + middle - boxPlace.top));
    ReleaseDC(box, boxDc);
    const COLORREF unpainted = RGB(255, 0, 255);
    Canvas canvas(nullptr, labelPlace.right - labelPlace.left, labelPlace.bottom - labelPlace.top);
    canvas.fill(unpainted);
    SendMessageW(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
    EXPECT_EQ(canvas.at(boxLeft, middle), unpainted);
    EXPECT_NE(canvas.at(boxLeft - 1, middle), unpainted);
}

TEST_F(FirstStartTest, KeepsTheMainWindowHiddenWhileTheDialogIsOpen) {
    EXPECT_FALSE(form().visible());
    ASSERT_NE(dialog().timer(PasswordDialog::HideMainWindowTimer), nullptr);
    EXPECT_TRUE(dialog().timer(PasswordDialog::HideMainWindowTimer)->enabled());
    EXPECT_EQ(dialog().timer(PasswordDialog::HideMainWindowTimer)->interval(), 100u);
    pumpFor(300);
    EXPECT_FALSE(form().visible());

    // As the splash's hand-over does right after the gate: the dialog's timer hides it again.
    form().show();
    ASSERT_TRUE(form().visible());
    EXPECT_TRUE(pumpUntil([&] { return !form().visible(); }, 3000));
    EXPECT_TRUE(dialog().visible());
    pumpFor(300);
    EXPECT_FALSE(form().visible());
    EXPECT_EQ(program.endCount(), 0);
}

TEST_F(FirstStartTest, ShortPasswordsAndMismatchesAreToldAndTheDialogStays) {
    bool topmostDuringBox = true;
    auto noteTopmost = [&] { topmostDuringBox = isTopmost(dialog()); };

    // Too short: both boxes keep what was typed, and the dialog lets go of the top meanwhile.
    type("abc", "xyz");
    boxes.answerAfter(IDOK, noteTopmost);
    click(dialog().control(PasswordDialog::OkButton));
    ASSERT_EQ(boxes.seen().size(), 1u);
    expectOkOnlyBox(boxes.seen()[0], kTooShort, dialogHwnd());
    EXPECT_FALSE(topmostDuringBox);
    EXPECT_TRUE(isTopmost(dialog()));
    EXPECT_EQ(dialog().control(PasswordDialog::PasswordBox)->text(), "abc");
    EXPECT_EQ(dialog().control(PasswordDialog::RetypeBox)->text(), "xyz");
    expectStillAsking("\r\n");

    // Copies that differ only in letter case: both boxes are emptied.
    type("Secret", "secret");
    topmostDuringBox = true;
    boxes.answerAfter(IDOK, noteTopmost);
    click(dialog().control(PasswordDialog::OkButton));
    ASSERT_EQ(boxes.seen().size(), 2u);
    expectOkOnlyBox(boxes.seen()[1], kMismatch, dialogHwnd());
    EXPECT_FALSE(topmostDuringBox);
    EXPECT_TRUE(isTopmost(dialog()));
    EXPECT_EQ(dialog().control(PasswordDialog::PasswordBox)->text(), "");
    EXPECT_EQ(dialog().control(PasswordDialog::RetypeBox)->text(), "");
    expectStillAsking("\r\n");

    // A long enough first copy and no second one.
    type("long enough", "");
    boxes.answer(IDOK);
    click(dialog().control(PasswordDialog::OkButton));
    ASSERT_EQ(boxes.seen().size(), 3u);
    expectOkOnlyBox(boxes.seen()[2], kMismatch, dialogHwnd());
    EXPECT_EQ(dialog().control(PasswordDialog::PasswordBox)->text(), "");
    expectStillAsking("\r\n");

    // Enter in the password box does what the Ok button does, messages included.
    type("abc", "abc");
    boxes.answer(IDOK);
    pressEnter(dialog().control(PasswordDialog::PasswordBox));
    ASSERT_EQ(boxes.seen().size(), 4u);
    expectOkOnlyBox(boxes.seen()[3], kTooShort, dialogHwnd());
    EXPECT_EQ(dialog().control(PasswordDialog::PasswordBox)->text(), "abc");
    type("abcd", "abce");
    boxes.answer(IDOK);
    pressEnter(dialog().control(PasswordDialog::PasswordBox));
    ASSERT_EQ(boxes.seen().size(), 5u);
    expectOkOnlyBox(boxes.seen()[4], kMismatch, dialogHwnd());
    expectStillAsking("\r\n");
    EXPECT_EQ(boxes.unexpected(), 0);
}

TEST_F(FirstStartTest, AConfirmedPasswordCreatesTheVaultAndOpensTheMainWindow) {
    type("abcd", "abcd");  // four characters are enough
    click(dialog().control(PasswordDialog::OkButton));
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_TRUE(program->vaultSession().isOpen());
    EXPECT_EQ(vault::storedPasswordOf(program.vaultBytes()), "abcd");
    EXPECT_EQ(hex(program.vaultBytes()), "E1 E2 E3 E4 0D 0A");
    EXPECT_EQ(form().statusText(), "Password created successfully");
    EXPECT_TRUE(form().visible());
    EXPECT_FALSE(dialog().isLoaded());
    EXPECT_EQ(program.endCount(), 0);
    pumpFor(250);  // the dialog's timer is gone with it
    EXPECT_TRUE(form().visible());
}

TEST_F(FirstStartTest, EnterInThePasswordBoxConfirmsToo) {
    type("pass word", "pass word");  // spaces count as characters
    pressEnter(dialog().control(PasswordDialog::PasswordBox));
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_EQ(program.vaultBytes(), scrambled("pass word") + "\r\n");
    EXPECT_TRUE(form().visible());
    EXPECT_FALSE(dialog().isLoaded());
    EXPECT_EQ(program.endCount(), 0);
}

TEST_F(FirstStartTest, PasswordsTheVaultCannotCarryAreRefused) {
    // Preconditions of the cases below: code 141 lives in the code page, U+4E2D does not.
    std::wstring code141 = widen("\x8D");
    ASSERT_EQ(code141.size(), 1u);
    ASSERT_EQ(narrow(code141).text, "\x8D");
    ASSERT_FALSE(narrow(L"\u4E2D").complete);

    struct Case {
        const char* what;
        std::wstring text;
        const char* mentions;
    };
    const Case cases[] = {
        {"CR LF", L"abcd\r\nefgh", "line break"},
        {"LF", L"abcd\nefgh", "line break"},
        {"CR", L"abcd\refgh", "line break"},
        {"code 141", L"abcd" + code141 + L"efgh", "141"},
        {"outside the code page", L"abcd\u4E2Defgh", "code page"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        size_t before = boxes.seen().size();
        for (const Control* box : {dialog().control(PasswordDialog::PasswordBox), dialog().control(PasswordDialog::RetypeBox)})
            SendMessageW(box->hwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.text.c_str()));
        ASSERT_EQ(wideWindowText(dialog().control(PasswordDialog::PasswordBox)->hwnd()), c.text);
        boxes.answer(IDOK);
        click(dialog().control(PasswordDialog::OkButton));
        ASSERT_EQ(boxes.seen().size(), before + 1);
        const SeenBox& box = boxes.seen().back();
        EXPECT_NE(box.text.find("password"), std::string::npos) << box.text;
        EXPECT_NE(box.text.find(c.mentions), std::string::npos) << box.text;
        EXPECT_EQ(box.owner, dialogHwnd());
        EXPECT_TRUE(isTopmost(dialog()));
        expectStillAsking("\r\n");
    }
    // The dialog still takes a good password afterwards.
    type("good one", "good one");
    click(dialog().control(PasswordDialog::OkButton));
    EXPECT_EQ(program.vaultBytes(), scrambled("good one") + "\r\n");
    EXPECT_EQ(boxes.unexpected(), 0);
}

TEST_F(FirstStartTest, CancelEndsTheProgram) {
    type("abcd", "abcd");
    click(dialog().control(PasswordDialog::CancelButton));
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_FALSE(program->vaultSession().isOpen());
    EXPECT_EQ(hex(program.vaultBytes()), "0D 0A");
    EXPECT_FALSE(form().visible());
}

TEST_F(FirstStartTest, TheCloseBoxEndsTheProgram) {
    SendMessageW(dialogHwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_FALSE(dialog().isLoaded());
    EXPECT_FALSE(form().visible());
    EXPECT_EQ(hex(program.vaultBytes()), "0D 0A");
}

// --- Later starts: the vault holds a master password ------------------------------------------

class LaterStartTest : public GateTest {
protected:
    void SetUp() override {
        program.writeVault("master", entries);
        written = program.vaultBytes();
        start();
    }
    void tryPassword(const std::string& password) {
        setText(dialog().control(PasswordDialog::PasswordBox), password);
        click(dialog().control(PasswordDialog::OkButton));
    }
    void expectLoggedIn() {
        EXPECT_TRUE(program->vaultSession().isOpen());
        EXPECT_EQ(vault::storedPasswordOf(program.vaultBytes()), "master");
        EXPECT_TRUE(form().visible());
        EXPECT_FALSE(dialog().isLoaded());
        EXPECT_EQ(program.endCount(), 0);
        EXPECT_EQ(form().statusText(), "Loaded 2 entries");
        HWND list = form().entryList.hwnd();
        ASSERT_EQ(program->vaultSession().entries().count(), 2u);
        EXPECT_EQ(program->vaultSession().entries().at(0).username, "alice");
        ASSERT_EQ(listCount(list), 2);
        EXPECT_EQ(listText(list, 0, 0), "alice");
        EXPECT_EQ(listText(list, 0, 1), "pw1");
        EXPECT_EQ(listText(list, 1, 2), "www.example.com");
    }

    const std::vector<vault::Entry> entries{{"alice", "pw1", "georgetown"}, {"bob", "pw2", "www.example.com"}};
    std::string written;
};

TEST_F(LaterStartTest, OpensTheDialogInEnterMode) {
    EXPECT_FALSE(program->passwordDialog().creatingPassword());
    EXPECT_FALSE(program->vaultSession().isOpen());
    EXPECT_EQ(dialog().caption(), "Password Required");
    EXPECT_EQ(dialog().control(PasswordDialog::MessageLabel)->text(), "Please enter your password");
    expectCentred();
    EXPECT_FALSE(dialog().control(PasswordDialog::RetypeBox)->visible());
    EXPECT_FALSE(dialog().control(PasswordDialog::RetypeLabel)->visible());
    EXPECT_TRUE(dialog().control(PasswordDialog::PasswordBox)->visible());
    EXPECT_TRUE(isTopmost(dialog()));
    EXPECT_FALSE(form().visible());
    EXPECT_EQ(listCount(form().entryList.hwnd()), 0);  // nothing shows before the password
    EXPECT_EQ(program.endCount(), 0);
}

TEST_F(LaterStartTest, TheRightPasswordLoadsTheEntriesAndOpensTheMainWindow) {
    tryPassword("master");
    EXPECT_TRUE(boxes.seen().empty());
    expectLoggedIn();
    // The dialog's unload by the main window after acceptance did not end the program, and the
    // vault was only read.
    EXPECT_EQ(program.endCount(), 0);
    EXPECT_EQ(hex(program.vaultBytes()), hex(written));
}

TEST_F(LaterStartTest, EnterInThePasswordBoxActsAsOk) {
    setText(dialog().control(PasswordDialog::PasswordBox), "wrong");
    boxes.answer(IDRETRY);
    pressEnter(dialog().control(PasswordDialog::PasswordBox));
    ASSERT_EQ(boxes.seen().size(), 1u);
    expectWrongPasswordBox(boxes.seen()[0], dialogHwnd());
    EXPECT_EQ(dialog().control(PasswordDialog::PasswordBox)->text(), "");
    setText(dialog().control(PasswordDialog::PasswordBox), "master");
    pressEnter(dialog().control(PasswordDialog::PasswordBox));
    EXPECT_EQ(boxes.seen().size(), 1u);
    expectLoggedIn();
}

TEST_F(LaterStartTest, WrongTwiceThenRightLoadsTheEntries) {
    boxes.answer(IDRETRY);
    tryPassword("master ");  // a trailing space makes it wrong
    ASSERT_EQ(boxes.seen().size(), 1u);
    expectWrongPasswordBox(boxes.seen()[0], dialogHwnd());
    EXPECT_EQ(dialog().wrongTries(), 1);
    EXPECT_EQ(dialog().control(PasswordDialog::PasswordBox)->text(), "");
    EXPECT_TRUE(dialog().visible());
    EXPECT_EQ(program.endCount(), 0);

    boxes.answer(IDRETRY);
    tryPassword("MASTER");  // letter case counts
    ASSERT_EQ(boxes.seen().size(), 2u);
    expectWrongPasswordBox(boxes.seen()[1], dialogHwnd());
    EXPECT_EQ(dialog().wrongTries(), 2);
    EXPECT_EQ(program.endCount(), 0);

    tryPassword("master");
    EXPECT_EQ(boxes.seen().size(), 2u);
    expectLoggedIn();
    EXPECT_EQ(boxes.unexpected(), 0);
}

TEST_F(LaterStartTest, ThreeWrongPasswordsEndTheProgramAfterANotice) {
    for (int i = 0; i < 3; ++i) boxes.answer(IDRETRY);
    boxes.answer(IDOK);
    for (const char* guess : {"one", "two", "three"}) {
        tryPassword(guess);
        EXPECT_EQ(program.endCount(), guess == std::string("three") ? 1 : 0) << guess;
    }
    ASSERT_EQ(boxes.seen().size(), 4u);
    for (int i = 0; i < 3; ++i) expectWrongPasswordBox(boxes.seen()[i], dialogHwnd());
    expectOkOnlyBox(boxes.seen()[3], kOnlyThreeTries, dialogHwnd());
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_FALSE(dialog().timer(PasswordDialog::HideMainWindowTimer)->enabled());
    EXPECT_FALSE(program->vaultSession().isOpen());
    EXPECT_EQ(listCount(form().entryList.hwnd()), 0);
    EXPECT_FALSE(form().visible());
    EXPECT_EQ(boxes.unexpected(), 0);
}

TEST_F(LaterStartTest, CancelInTheRetryBoxEndsAtOnceWithoutTheNotice) {
    boxes.answer(IDCANCEL);
    tryPassword("wrong");
    ASSERT_EQ(boxes.seen().size(), 1u);
    expectWrongPasswordBox(boxes.seen()[0], dialogHwnd());
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_FALSE(dialog().timer(PasswordDialog::HideMainWindowTimer)->enabled());
    EXPECT_FALSE(program->vaultSession().isOpen());
    EXPECT_FALSE(form().visible());
    EXPECT_EQ(boxes.unexpected(), 0);
}

TEST_F(LaterStartTest, TheCancelButtonEndsTheProgram) {
    setText(dialog().control(PasswordDialog::PasswordBox), "master");
    click(dialog().control(PasswordDialog::CancelButton));
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_FALSE(program->vaultSession().isOpen());
    EXPECT_EQ(listCount(form().entryList.hwnd()), 0);
}

TEST_F(LaterStartTest, TheCloseBoxEndsTheProgram) {
    SendMessageW(dialogHwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_FALSE(dialog().isLoaded());
    EXPECT_FALSE(form().visible());
    EXPECT_TRUE(boxes.seen().empty());
}

// The count on the status line keeps its plural whatever the number, and a vault that holds only
// the master password (as created) opens in enter mode too.
TEST(LoggingIn, ReportsTheNumberOfEntriesLoaded) {
    struct Case {
        std::vector<vault::Entry> entries;
        const char* status;
    };
    const Case cases[] = {
        {{}, "Loaded 0 entries"},
        {{{"u", "p", "l"}}, "Loaded 1 entries"},
        {{{"a", "1", "x"}, {"b", "2", "y"}, {"c", "3", "z"}}, "Loaded 3 entries"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        TestProgram program;
        program.writeVault("pw12", c.entries);
        program.logIn("pw12");
        EXPECT_EQ(program->mainWindow().statusText(), c.status);
        EXPECT_EQ(listCount(program->mainWindow().entryList.hwnd()), static_cast<int>(c.entries.size()));
        EXPECT_EQ(program.endCount(), 0);
    }

    TestProgram created;
    writeFile(created.vaultPath(), scrambled("pw12") + "\r\n");
    created.loadMainWindow();
    EXPECT_FALSE(created->passwordDialog().creatingPassword());
    EXPECT_EQ(created->passwordDialog().height(), 1845);
    setText(created->passwordDialog().control(PasswordDialog::PasswordBox), "pw12");
    click(created->passwordDialog().control(PasswordDialog::OkButton));
    EXPECT_EQ(created->mainWindow().statusText(), "Loaded 0 entries");
    EXPECT_TRUE(created->mainWindow().visible());
    EXPECT_EQ(created.endCount(), 0);
}

}  // namespace
}  // namespace vk::test

// The shipped Vellumkeep.exe, copied into a fresh folder, started as a person starts it and driven
// from this process: its windows are found by caption, typed into with the keyboard, its message
// boxes are answered, and data.enc is checked byte for byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <iostream>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver.h"
#include "shipped_files.h"
#include "platform/handles.h"
#include "vault_samples.h"
#include "vault/vault_format.h"

namespace vk::e2e {
namespace {

constexpr wchar_t kAppTitle[] = L"Vellumkeep Full";  // message boxes without a title of their own
constexpr wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\Vellumkeep\\Settings";

// Twips to pixels, as the program lays out its windows at the screen's DPI.
int pixels(int twips) {
    WindowDC screen(nullptr);
    return MulDiv(twips, GetDeviceCaps(screen.get(), LOGPIXELSY), 1440);
}

// Test texts are plain ASCII, the same in both forms.
std::wstring wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

std::string scrambledLine(const std::string& text) {
    return vault::scrambleText(text) + "\r\n";
}

// The user's "Show at Startup" choice, set for one test and put back as it was afterwards.
class ShowHelpSetting {
public:
    explicit ShowHelpSetting(const std::wstring& value) {
        RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        key_.put(), nullptr);
        wchar_t old[64] = L"";
        DWORD size = sizeof old - sizeof(wchar_t), type = 0;
        if (RegQueryValueExW(key_.get(), L"showHelp", nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ)
            old_ = old;
        set(value);
    }
    ~ShowHelpSetting() {
        if (old_)
            set(*old_);
        else
            RegDeleteValueW(key_.get(), L"showHelp");
    }
    ShowHelpSetting(const ShowHelpSetting&) = delete;
    ShowHelpSetting& operator=(const ShowHelpSetting&) = delete;

private:
    void set(const std::wstring& value) {
        RegSetValueExW(key_.get(), L"showHelp", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    RegKey key_;
    std::optional<std::wstring> old_;
};

enum class HelpDocument { absent, beside };

// One copy of the program in a folder of its own; the program is ended before the folder goes.
class Session {
public:
    explicit Session(HelpDocument help = HelpDocument::absent) {
        // Without an X server every wait would only run into its time limit.
        if (!GetEnvironmentVariableW(L"DISPLAY", nullptr, 0))
            throw std::runtime_error("these tests need an X display: DISPLAY is not set (scripts/test starts one)");
        exe_ = folder.copyIn(programPath());
        if (help == HelpDocument::beside) folder.copyIn(helpDocumentPath());
    }

    void writeVault(const std::string& master, const std::vector<vault::Entry>& entries) const {
        vault::SavedVaultBuilder vault(master);
        for (const vault::Entry& entry : entries) vault.add(entry);
        folder.write(L"data.enc", vault.finish());
    }
    std::string vault() const { return folder.read(L"data.enc"); }

    RunningProgram& start() {
        program.emplace(exe_);
        return *program;
    }

    AppFolder folder;
    std::optional<RunningProgram> program;

private:
    std::filesystem::path exe_;
};

HWND passwordBox(HWND dialog) {
    return controlAt(dialog, L"Edit", 0);
}
HWND confirmationBox(HWND dialog) {
    return controlAt(dialog, L"Edit", 1);
}
HWND okButton(HWND dialog) {
    return control(dialog, L"Button", L"Ok");
}

// Clicks a button that opens a message box, and returns the box.
HWND clickForMessageBox(const RunningProgram& program, HWND button) {
    click(button);
    return program.waitForMessageBox();
}

void answerAndWaitUntilGone(HWND box, int command) {
    answerMessageBox(box, command);
    EXPECT_TRUE(waitUntil([box] { return !isVisible(box); })) << "the message box stayed open";
}

// Waits until the keystrokes typed so far have reached the box.
bool holdsCharacters(HWND box, size_t count) {
    return waitUntil([&] { return textLength(box) == static_cast<int>(count); }, 3000ms);
}

// Types the password as a person does: click into the box, type, and check that every key arrived.
void typePassword(HWND box, const std::wstring& password) {
    ASSERT_TRUE(focusWithMouse(box)) << "the password box did not take the focus";
    typeText(password);
    ASSERT_TRUE(holdsCharacters(box, password.size())) << "keystrokes went astray";
}

// Start-up shows the splash first; the program's folder holds no vault yet.
TEST(EndToEndFirstStart, ShowsTheSplashThenAsksForANewMasterPassword) {
    Session session;
    RunningProgram& program = session.start();
    ASSERT_TRUE(program.started());

    HWND splash = program.waitForSplash(20000ms);
    ASSERT_TRUE(splash) << "no splash window";
    EXPECT_FALSE(program.window(kPasswordCaption)) << "the password dialog came before the splash";
    SIZE size = windowSize(splash);
    EXPECT_EQ(size.cx, pixels(7170));
    EXPECT_EQ(size.cy, pixels(4770));
    EXPECT_EQ(windowStyle(splash) & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_DLGFRAME), 0) << "not borderless";
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT r = windowRect(splash);
    EXPECT_NEAR(r.left - area.left, area.right - r.right, 1) << "not centred across";
    EXPECT_NEAR(r.top - area.top, area.bottom - r.bottom, 1) << "not centred down";

    HWND dialog = waitForPasswordDialog(program);
    ASSERT_TRUE(dialog) << "no password dialog with the main window hidden behind it";
    EXPECT_TRUE(IsWindow(splash)) << "the splash is hidden, not unloaded, until the program ends";
    EXPECT_EQ(windowSize(dialog).cy, pixels(3505)) << "not the create-mode height";
    EXPECT_EQ(controls(dialog, L"Edit").size(), 2u) << "create mode asks for the password twice";
    EXPECT_EQ(session.vault(), "\r\n") << "start-up creates a vault of one empty line";

    HWND main = program.window(kMainCaption);
    ASSERT_TRUE(main) << "the main window is loaded behind the dialog";
    EXPECT_FALSE(waitUntil([main] { return isVisible(main); }, 400ms)) << "the main window showed behind the dialog";

    click(control(dialog, L"Button", L"Cancel"));
    EXPECT_TRUE(program.waitForEnd()) << "Cancel did not end the program";
}

TEST(EndToEndFirstStart, RefusesAShortOrMismatchedPasswordThenCreatesTheVault) {
    ShowHelpSetting showHelp(L"1");
    Session session(HelpDocument::beside);
    RunningProgram& program = session.start();
    HWND dialog = waitForPasswordDialog(program, 20000ms);
    ASSERT_TRUE(dialog);
    HWND first = passwordBox(dialog), second = confirmationBox(dialog);
    ASSERT_TRUE(first && second && okButton(dialog));

    setText(first, L"abc");
    setText(second, L"abc");
    HWND box = clickForMessageBox(program, okButton(dialog));
    ASSERT_TRUE(box) << "no message for a 3-character password";
    MessageBoxView seen = readMessageBox(box);
    EXPECT_EQ(seen.text, L"You must enter a password that is at least 4 characters long");
    EXPECT_EQ(seen.title, kAppTitle);
    EXPECT_EQ(seen.buttons, std::vector<std::wstring>{L"OK"});
    answerAndWaitUntilGone(box, IDOK);
    EXPECT_EQ(textLength(first), 3) << "a short password stays in its box";
    EXPECT_EQ(textLength(second), 3);

    setText(first, L"Secret-1");
    setText(second, L"secret-1");
    box = clickForMessageBox(program, okButton(dialog));
    ASSERT_TRUE(box) << "no message for passwords that differ in letter case";
    seen = readMessageBox(box);
    EXPECT_EQ(seen.text, L"Your passwords did not match.  Please try again.");
    EXPECT_EQ(seen.title, kAppTitle);
    answerAndWaitUntilGone(box, IDOK);
    EXPECT_EQ(textLength(first), 0) << "mismatched passwords are emptied";
    EXPECT_EQ(textLength(second), 0);
    EXPECT_EQ(session.vault(), "\r\n") << "nothing is written before a password is accepted";

    const std::string password = "Plum-4-Tree";
    ASSERT_NO_FATAL_FAILURE(typePassword(first, wide(password)));
    pressKey(VK_TAB);
    typeText(wide(password));
    ASSERT_TRUE(holdsCharacters(second, password.size())) << "Tab did not lead to the confirmation box";
    pressKey(VK_RETURN);

    HWND main = program.waitForVisibleWindow(kMainCaption);
    ASSERT_TRUE(main) << "the main window did not open";
    EXPECT_TRUE(waitUntil([&] { return !program.window(kPasswordCaption); })) << "the dialog stayed";
    EXPECT_EQ(session.vault(), scrambledLine(password));
    HWND status = controlAt(main, L"msctls_statusbar32", 0);
    EXPECT_EQ(program.statusText(status), L"Password created successfully");
    EXPECT_EQ(listCount(controlAt(main, L"SysListView32", 0)), 0);

    HWND help = program.waitForVisibleWindow(kHelpCaption);
    ASSERT_TRUE(help) << "the help viewer did not open beside the main window";
    EXPECT_TRUE(windowExStyle(help) & WS_EX_TOPMOST) << "the help viewer stays above other windows";

    closeWindow(main);
    EXPECT_TRUE(program.waitForEnd()) << "closing the main window did not end the program";
    EXPECT_EQ(session.vault(), scrambledLine(password)) << "closing rewrote the vault";
}

TEST(EndToEndFirstStart, ClosingThePasswordDialogEndsTheProgram) {
    Session session;
    RunningProgram& program = session.start();
    HWND dialog = waitForPasswordDialog(program, 20000ms);
    ASSERT_TRUE(dialog);
    closeWindow(dialog);
    EXPECT_TRUE(program.waitForEnd()) << "the program outlived its password dialog";
    EXPECT_EQ(session.vault(), "\r\n");
}

class EndToEndLogin : public ::testing::Test {
protected:
    const std::string master = "Tulip-9-Garden";
    const std::vector<vault::Entry> entries{{"alice.martin", "correct-horse-42", "www.example.com"},
                                            {"bob.nguyen", "T1gerLily!9", "intranet"}};

    // Starts the program on a vault of two entries and returns the settled password dialog.
    HWND startOnVault() {
        session.writeVault(master, entries);
        before = session.vault();
        session.start();
        return waitForPasswordDialog(program(), 20000ms);
    }
    RunningProgram& program() { return *session.program; }
    // Starts on the vault and types the master password, as a person does; `main` is the main window.
    void logIn(HWND& main) {
        HWND dialog = startOnVault();
        ASSERT_TRUE(dialog);
        ASSERT_NO_FATAL_FAILURE(typePassword(passwordBox(dialog), wide(master)));
        pressKey(VK_RETURN);
        main = program().waitForVisibleWindow(kMainCaption);
        ASSERT_TRUE(main) << "the right password was refused";
    }

    Session session;
    std::string before;
};

TEST_F(EndToEndLogin, TheRightPasswordOpensTheEntries) {
    HWND dialog = startOnVault();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(windowSize(dialog).cy, pixels(1845)) << "not the enter-mode height";
    EXPECT_EQ(controls(dialog, L"Edit").size(), 1u) << "enter mode asks for the password once";

    ASSERT_NO_FATAL_FAILURE(typePassword(passwordBox(dialog), wide(master)));
    pressKey(VK_RETURN);
    HWND main = program().waitForVisibleWindow(kMainCaption);
    ASSERT_TRUE(main) << "the right password was refused";
    HWND list = controlAt(main, L"SysListView32", 0);
    ASSERT_EQ(listCount(list), 2);
    EXPECT_EQ(program().listText(list, 0, 0), L"alice.martin");
    EXPECT_EQ(program().listText(list, 0, 1), L"correct-horse-42");
    EXPECT_EQ(program().listText(list, 0, 2), L"www.example.com");
    EXPECT_EQ(program().listText(list, 1, 0), L"bob.nguyen");
    EXPECT_EQ(program().listText(list, 1, 1), L"T1gerLily!9");
    EXPECT_EQ(program().listText(list, 1, 2), L"intranet");
    EXPECT_EQ(program().statusText(controlAt(main, L"msctls_statusbar32", 0)), L"Loaded 2 entries");
    EXPECT_FALSE(isVisible(program().window(kHelpCaption))) << "a help viewer without Help.rtf must stay hidden";

    closeWindow(main);
    EXPECT_TRUE(program().waitForEnd());
    EXPECT_EQ(session.vault(), before) << "logging in changed the vault";
}

TEST_F(EndToEndLogin, AfterTwoWrongTriesTheRightPasswordStillOpens) {
    HWND dialog = startOnVault();
    ASSERT_TRUE(dialog);
    for (const wchar_t* wrong : {L"tulip-9-garden", L"Tulip-9-Garden "}) {
        setText(passwordBox(dialog), wrong);
        HWND box = clickForMessageBox(program(), okButton(dialog));
        ASSERT_TRUE(box) << "no message for a wrong password";
        answerAndWaitUntilGone(box, IDRETRY);
    }
    ASSERT_NO_FATAL_FAILURE(typePassword(passwordBox(dialog), wide(master)));
    pressKey(VK_RETURN);
    HWND main = program().waitForVisibleWindow(kMainCaption);
    ASSERT_TRUE(main) << "the third try was refused";
    EXPECT_EQ(listCount(controlAt(main, L"SysListView32", 0)), 2);
}

TEST_F(EndToEndLogin, ThreeWrongTriesEndTheProgramAndLeaveTheVaultAsItWas) {
    HWND dialog = startOnVault();
    ASSERT_TRUE(dialog);
    HWND box = nullptr;
    for (int attempt = 1; attempt <= 3; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        HWND field = passwordBox(dialog);
        if (attempt == 2) {
            // Enter in the password box does what Ok does.
            ASSERT_NO_FATAL_FAILURE(typePassword(field, L"Guess-2"));
            pressKey(VK_RETURN);
            box = program().waitForMessageBox();
        } else {
            setText(field, L"Guess-" + std::to_wstring(attempt));
            box = clickForMessageBox(program(), okButton(dialog));
        }
        ASSERT_TRUE(box) << "no message for a wrong password";
        MessageBoxView seen = readMessageBox(box);
        EXPECT_EQ(seen.text, L"Sorry, the password you entered was not correct.");
        EXPECT_EQ(seen.title, L"Incorrect Password");
        EXPECT_EQ(seen.buttons, (std::vector<std::wstring>{L"Retry", L"Cancel"}));
        answerMessageBox(box, IDRETRY);
        if (attempt < 3) {
            ASSERT_TRUE(waitUntil([box] { return !isVisible(box); }));
            EXPECT_EQ(textLength(field), 0) << "the wrong password stayed in the box";
            EXPECT_TRUE(program().running());
        }
    }
    HWND notice = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        notice = program().messageBox();
        return notice && notice != box && readMessageBox(notice).text != L"Sorry, the password you entered was not correct.";
    })) << "no notice after the third wrong password";
    MessageBoxView seen = readMessageBox(notice);
    EXPECT_EQ(seen.text, L"Only 3 tries allowed.  Click Ok to close.");
    EXPECT_EQ(seen.title, kAppTitle);
    EXPECT_EQ(seen.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_FALSE(isVisible(program().window(kMainCaption)));
    answerMessageBox(notice, IDOK);
    EXPECT_TRUE(program().waitForEnd()) << "the program went on after three wrong passwords";
    EXPECT_EQ(session.vault(), before);
}

TEST_F(EndToEndLogin, CancelEndsTheProgramAtOnce) {
    HWND dialog = startOnVault();
    ASSERT_TRUE(dialog);
    setText(passwordBox(dialog), L"half-typed");
    click(control(dialog, L"Button", L"Cancel"));
    bool boxSeen = false;
    EXPECT_TRUE(waitUntil([&] {
        boxSeen = boxSeen || program().messageBox();
        return !program().running();
    })) << "Cancel did not end the program";
    EXPECT_FALSE(boxSeen) << "Cancel asked something first";
    EXPECT_EQ(session.vault(), before);
}

TEST_F(EndToEndLogin, CancelInTheWrongPasswordBoxEndsTheProgramWithoutTheNotice) {
    HWND dialog = startOnVault();
    ASSERT_TRUE(dialog);
    setText(passwordBox(dialog), L"Guess");
    HWND box = clickForMessageBox(program(), okButton(dialog));
    ASSERT_TRUE(box);
    answerMessageBox(box, IDCANCEL);
    bool otherBoxSeen = false;
    EXPECT_TRUE(waitUntil([&] {
        HWND seen = program().messageBox();
        otherBoxSeen = otherBoxSeen || (seen && seen != box);
        return !program().running();
    })) << "Cancel in the box did not end the program";
    EXPECT_FALSE(otherBoxSeen) << "a notice came after Cancel";
    EXPECT_EQ(session.vault(), before);
}

// Generate... in the entry editor: the generator opens over it, New makes another password, Use
// puts it in the editor's Password box, and Save stores it in the vault.
TEST_F(EndToEndLogin, GenerateFillsTheEditorsPasswordBoxAndSaveStoresIt) {
    HWND main = nullptr;
    ASSERT_NO_FATAL_FAILURE(logIn(main));
    click(control(main, L"Button", L"Add"));
    HWND editor = program().waitForVisibleWindow(L"Add an entry");
    ASSERT_TRUE(editor);
    click(control(editor, L"Button", L"Generate..."));
    HWND generator = program().waitForVisibleWindow(L"Generate Password");
    ASSERT_TRUE(generator);
    HWND result = controlAt(generator, L"Edit", 2);  // below the length and word count
    const std::wstring first = windowText(result);
    ASSERT_FALSE(first.empty());
    click(control(generator, L"Button", L"New"));
    ASSERT_TRUE(waitUntil([&] { return windowText(result) != first; })) << "New made nothing new";
    const std::wstring made = windowText(result);

    click(control(generator, L"Button", L"Use"));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(generator); }));
    EXPECT_EQ(windowText(controlAt(editor, L"Edit", 1)), made);
    setText(controlAt(editor, L"Edit", 0), L"dave");
    click(control(editor, L"Button", L"Save"));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(editor); }));
    const std::vector<vault::Entry> stored = vault::entriesOf(session.vault());
    ASSERT_EQ(stored.size(), entries.size() + 1);
    EXPECT_EQ(stored.back(), (vault::Entry{"dave", std::string(made.begin(), made.end()), ""}));
}

// Two copies on one vault would overwrite each other's changes. Started again (by another spelling
// of its path), the program brings the running copy to the front and ends without touching the
// vault; a copy beside another Vellumkeep.exe starts as usual.
TEST_F(EndToEndLogin, ASecondStartOnTheSameVaultBringsTheFirstForwardAndEnds) {
    HWND dialog = startOnVault();
    ASSERT_TRUE(dialog);
    // The user works in another window meanwhile.
    HWND elsewhere = CreateWindowExW(0, L"STATIC", L"Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                     300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(bringToForeground(elsewhere));

    std::wstring otherSpelling = session.folder.file(L"Vellumkeep.exe").native();
    CharUpperBuffW(otherSpelling.data(), static_cast<DWORD>(otherSpelling.size()));
    RunningProgram second(otherSpelling);
    ASSERT_TRUE(second.started());
    EXPECT_TRUE(second.waitForEnd(20000ms)) << "the second copy kept running";
    EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == dialog; })) << "the first copy was not brought forward";
    EXPECT_TRUE(program().running());
    EXPECT_EQ(session.vault(), before);
    DestroyWindow(elsewhere);

    Session beside;
    beside.start();
    EXPECT_TRUE(waitForPasswordDialog(*beside.program, 20000ms)) << "a copy on another vault did not start";
}

// Types into a File menu dialog's password boxes, top to bottom, as a person does, presses OK and
// waits until the dialog is gone (a key is derived meanwhile, about a second each).
void useKeyDialog(RunningProgram& program, HWND main, int item, const wchar_t* caption,
                  const std::vector<std::wstring>& typed) {
    ASSERT_TRUE(chooseMenuItem(main, kFileMenu, item));
    HWND dialog = program.waitForVisibleWindow(caption);
    ASSERT_TRUE(dialog) << "no dialog " << testing::PrintToString(std::wstring(caption));
    for (size_t i = 0; i < typed.size(); ++i) ASSERT_NO_FATAL_FAILURE(typePassword(controlAt(dialog, L"Edit", i), typed[i]));
    click(control(dialog, L"Button", L"OK"));
    ASSERT_TRUE(waitUntil([&] { return !program.window(caption); }, 20000ms)) << "the dialog stayed open";
}

// How many copies of a password the program holds: as typed (the code page's 8-bit form), as
// controls hold it (UTF-16), and scrambled as a scrambled vault holds it (each byte's top bit flipped).
struct Copies {
    size_t ansi = 0, utf16 = 0, scrambled = 0;
    size_t total() const { return ansi + utf16 + scrambled; }
};

// Every text's copies, in one reading of the program's memory, freed memory of its heaps included.
std::vector<Copies> copiesInMemory(const RunningProgram& program, const std::vector<std::string>& texts) {
    std::vector<std::string> forms;
    for (const std::string& text : texts) {
        const std::wstring utf16 = wide(text);
        forms.push_back(text);
        forms.emplace_back(reinterpret_cast<const char*>(utf16.data()), utf16.size() * sizeof(wchar_t));
        forms.push_back(vault::scrambleText(text));
    }
    const std::vector<size_t> counts = program.countInMemory(forms);
    std::vector<Copies> copies;
    for (size_t i = 0; i < texts.size(); ++i) copies.push_back({counts[3 * i], counts[3 * i + 1], counts[3 * i + 2]});
    return copies;
}

// The copies of a group of texts together, told on the test's output.
Copies tellCopies(const char* step, const char* group, std::span<const Copies> copies) {
    Copies all;
    for (const Copies& one : copies)
        all = {all.ansi + one.ansi, all.utf16 + one.utf16, all.scrambled + one.scrambled};
    std::cout << "[ memory   ] after " << step << ", " << group << ": ANSI " << all.ansi << ", UTF-16 " << all.utf16
              << ", XOR-0x80 " << all.scrambled << std::endl;
    return all;
}

// Add, Generate..., Use, a username, Save: an entry whose password the generator made. Returns it.
std::string addGeneratedEntry(const RunningProgram& program, HWND main, const std::wstring& username) {
    click(control(main, L"Button", L"Add"));
    HWND editor = program.waitForVisibleWindow(L"Add an entry");
    if (!editor) return {};
    click(control(editor, L"Button", L"Generate..."));
    HWND generator = program.waitForVisibleWindow(L"Generate Password");
    if (!generator) return {};
    const std::wstring made = windowText(controlAt(generator, L"Edit", 2));
    click(control(generator, L"Button", L"Use"));
    if (!waitUntil([&] { return !IsWindow(generator); })) return {};
    setText(controlAt(editor, L"Edit", 0), username);
    click(control(editor, L"Button", L"Save"));
    if (!waitUntil([&] { return !IsWindow(editor); })) return {};
    return std::string(made.begin(), made.end());
}

// File > Import Entries..., the file chosen in the Open dialog. Under Wine the keys that open the
// menu may go astray while another window of the program closes: the menu is asked again when no
// dialog comes.
bool importFile(const RunningProgram& program, HWND main, const std::wstring& path) {
    for (int attempt = 0; attempt < 3; ++attempt)
        if (chooseMenuItem(main, kFileMenu, 2) && chooseFile(program, L"Import Entries", path, 10000ms)) return true;
    return false;
}

// A password typed into the program is wiped wherever the program copied it. Once the vault is
// encrypted with the master password and the password is changed, neither the old nor the new
// one stays in the program's memory, freed memory included (the vault keeps only its keys).
// Locked by Ctrl+L, scrambled or encrypted, the program holds no password at all, in any of the
// three forms: not of the entries it loaded, nor of those typed or made with the generator, opened
// in the editor, or imported from a file (through Choose Columns too). Ctrl+L then unlocks it.
TEST_F(EndToEndLogin, NoPasswordStaysInMemoryOnceTheVaultIsEncryptedOrLocked) {
    HWND main = nullptr;
    ASSERT_NO_FATAL_FAILURE(logIn(main));
    HWND list = controlAt(main, L"SysListView32", 0);
    std::vector<std::string> passwords{std::string(entries[0].password), std::string(entries[1].password)};
    const std::string changed = "Walnut-Lantern-Quarry-77";
    // Each password's copies, the two master passwords last; the groups are told.
    auto tell = [&](const char* step) {
        std::vector<std::string> all = passwords;
        all.insert(all.end(), {master, changed});
        const std::vector<Copies> copies = copiesInMemory(program(), all);
        tellCopies(step, "entry passwords", std::span(copies).first(passwords.size()));
        const Copies masters = tellCopies(step, "master passwords", std::span(copies).last(2));
        return std::pair(copies, masters);
    };

    // Typed into the editor and saved; then an entry opened in the editor, and cancelled.
    passwords.push_back("Typed-Otter-3318");
    click(control(main, L"Button", L"Add"));
    HWND editor = program().waitForVisibleWindow(L"Add an entry");
    ASSERT_TRUE(editor);
    ASSERT_NO_FATAL_FAILURE(typePassword(controlAt(editor, L"Edit", 0), L"typist"));
    ASSERT_NO_FATAL_FAILURE(typePassword(controlAt(editor, L"Edit", 1), wide(passwords.back())));
    click(control(editor, L"Button", L"Save"));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(editor); }));
    ASSERT_TRUE(program().selectListRow(list, 0));
    click(control(main, L"Button", L"Edit"));
    editor = program().waitForVisibleWindow(L"Edit an entry");
    ASSERT_TRUE(editor);
    click(control(editor, L"Button", L"Cancel"));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(editor); }));
    tell("save");

    for (const wchar_t* username : {L"gen-1", L"gen-2", L"gen-3"}) {
        passwords.push_back(addGeneratedEntry(program(), main, username));
        ASSERT_FALSE(passwords.back().empty()) << "no entry made with Generate and Use";
    }
    tell("generate/use");

    const struct {
        const wchar_t* file;
        std::string password;
        std::string text;
        bool columnsAsked;
    } imports[] = {
        {L"browser.csv", "Imported-Lark-5521",
         "url,username,password\r\nhttps://a.example/,ann,Imported-Lark-5521\r\n", false},
        {L"no names.csv", "Chosen-Fjord-7730", "bob@b.example;Chosen-Fjord-7730;https://b.example\r\n", true},
    };
    for (const auto& csv : imports) {
        session.folder.write(csv.file, csv.text);
        ASSERT_TRUE(importFile(program(), main, session.folder.file(csv.file).native())) << "no Open dialog";
        if (csv.columnsAsked) {
            HWND chooser = program().waitForVisibleWindow(L"Choose Columns");
            ASSERT_TRUE(chooser) << "no Choose Columns for a file without column names";
            click(control(chooser, L"Button", L"OK"));
        }
        HWND report = waitForMessageBoxTitled(program(), L"Import Entries", 20000ms);
        ASSERT_TRUE(report) << "no report of the import";
        answerAndWaitUntilGone(report, IDOK);
        passwords.push_back(csv.password);
    }
    ASSERT_EQ(listCount(list), 8);
    tell("import");

    auto lockThenUnlock = [&](const std::string& password, const char* step) {
        ASSERT_TRUE(focusWithMouse(list));
        pressKey('L', VK_CONTROL);
        ASSERT_TRUE(waitUntil([&] { return listCount(list) == 0; })) << "Ctrl+L did not lock";
        const std::vector<Copies> copies = tell(step).first;
        for (size_t i = 0; i < copies.size(); ++i)
            EXPECT_EQ(copies[i].total(), 0u) << "password " << i << " stays in memory while locked: ANSI "
                                             << copies[i].ansi << ", UTF-16 " << copies[i].utf16 << ", XOR-0x80 "
                                             << copies[i].scrambled;
        pressKey('L', VK_CONTROL);
        HWND unlock = program().waitForVisibleWindow(kPasswordCaption);
        ASSERT_TRUE(unlock) << "Ctrl+L did not ask for the password";
        ASSERT_NO_FATAL_FAILURE(typePassword(passwordBox(unlock), wide(password)));
        pressKey(VK_RETURN);
        ASSERT_TRUE(waitUntil([&] { return listCount(list) == 8; }, 20000ms)) << "the password did not unlock";
    };
    ASSERT_NO_FATAL_FAILURE(lockThenUnlock(master, "lock (scrambled)"));
    ASSERT_NO_FATAL_FAILURE(useKeyDialog(program(), main, 0, L"Encrypt Vault", {wide(master)}));
    ASSERT_EQ(static_cast<unsigned char>(session.vault().front()), 0x80) << "the vault was not encrypted";
    EXPECT_EQ(tell("encrypt").second.total(), 0u) << "the master password stays in memory";
    ASSERT_NO_FATAL_FAILURE(
        useKeyDialog(program(), main, 1, L"Change Master Password", {wide(master), wide(changed), wide(changed)}));
    EXPECT_EQ(tell("change").second.total(), 0u) << "the old or the new master password stays in memory";
    ASSERT_NO_FATAL_FAILURE(lockThenUnlock(changed, "lock (encrypted)"));
}

}  // namespace
}  // namespace vk::e2e

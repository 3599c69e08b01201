// The vault operations as the program runs them: logging in reads the real data.enc into the main
// window's list, saving from the list rewrites it, and what goes wrong on disk is told to the user
// without ever losing the file.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/text.h"
#include "test_support.h"
#include "vault_samples.h"

namespace vk::test {
namespace {

const std::string kCrLf = "\r\n";

// The vault's scrambling, written out here so that the bytes on disk are checked independently.
std::string scrambled(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = static_cast<char>(static_cast<unsigned char>(c) ^ 0x80);
    return out;
}

std::string line(const std::string& plain) { return scrambled(plain) + kCrLf; }

std::string entryLine(const vault::Entry& entry) {
    return line(entry.username + "|||" + entry.password + "|||" + entry.location);
}

std::string localeText(LCTYPE item) {
    char text[128] = "";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, item, text, sizeof text);
    return text;
}

// A locale's date or time pattern ("M/d/yyyy", "HH:mm:ss"...) filled in by hand, not by the
// system's formatting.
std::string fillPattern(const std::string& pattern, const SYSTEMTIME& t) {
    std::string out;
    for (size_t i = 0; i < pattern.size();) {
        char c = pattern[i];
        if (c == '\'') {
            size_t closing = std::min(pattern.find('\'', i + 1), pattern.size());
            out += pattern.substr(i + 1, closing - i - 1);
            i = closing + 1;
            continue;
        }
        size_t run = std::min(pattern.find_first_not_of(c, i), pattern.size()) - i;
        auto number = [run](int value) {
            char digits[16];
            std::snprintf(digits, sizeof digits, run >= 2 ? "%02d" : "%d", value);
            return std::string(digits);
        };
        switch (c) {
        case 'd': out += number(t.wDay); break;
        case 'M': out += number(t.wMonth); break;
        case 'y': out += run >= 3 ? std::to_string(t.wYear) : number(t.wYear % 100); break;
        case 'h': out += number(t.wHour % 12 == 0 ? 12 : t.wHour % 12); break;
        case 'H': out += number(t.wHour); break;
        case 'm': out += number(t.wMinute); break;
        case 's': out += number(t.wSecond); break;
        case 't': {
            std::string mark = localeText(t.wHour < 12 ? LOCALE_S1159 : LOCALE_S2359);
            out += run == 1 ? mark.substr(0, 1) : mark;
            break;
        }
        default: out.append(run, c);
        }
        i += run;
    }
    return out;
}

// Now in the general date format: the user's short date, a space, the user's long time.
std::string generalDateTimeNowByHand() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return fillPattern(localeText(LOCALE_SSHORTDATE), now) + " " + fillPattern(localeText(LOCALE_STIMEFORMAT), now);
}

// What a save of this master password and these rows must leave on disk.
std::string savedBytes(const std::string& master, const std::vector<vault::Entry>& rows) {
    std::string bytes = line(master);
    for (const auto& row : rows) bytes += entryLine(row);
    return bytes + kCrLf;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<vault::Entry> rowsOf(MainWindow& form) {
    std::vector<vault::Entry> rows;
    HWND list = form.entryList.hwnd();
    for (int i = 0; i < listCount(list); ++i)
        rows.push_back({listText(list, i, 0), listText(list, i, 1), listText(list, i, 2)});
    return rows;
}

// --- Loading -----------------------------------------------------------------------------------

class VaultLoadingTest : public ::testing::Test {
protected:
    // Writes the bytes as data.enc, then starts the program up to the password dialog.
    void startWith(const std::string& bytes) {
        writeFile(program.vaultPath(), bytes);
        program.loadMainWindow();
        ASSERT_TRUE(program->passwordDialog().isLoaded());
    }
    void createPassword(const std::string& password) {
        ASSERT_TRUE(program->passwordDialog().creatingPassword());
        setText(program->passwordDialog().control(PasswordDialog::PasswordBox), password);
        setText(program->passwordDialog().control(PasswordDialog::RetypeBox), password);
        click(program->passwordDialog().control(PasswordDialog::OkButton));
        ASSERT_TRUE(program->mainWindow().visible());
    }

    TestProgram program;
    MessageBoxes boxes;
};

TEST_F(VaultLoadingTest, ReadsEveryEntryLineAsStoredAndSkipsBlankOnes) {
    const std::string bytes = line("master") + kCrLf +  // an empty line
                              " " + kCrLf +              // one space, as stored
                              scrambled("lf") + "\n" + line("inside|||p|||l") +  // a lone LF byte
                              line("a|||b|||c|||d") +                           // a fourth piece
                              line("only") + line("x|||y") +                    // fewer than three pieces
                              line(" ") +                                       // a stored 0xA0: an entry
                              line("|||||||||") +                               // three empty fields
                              kCrLf;
    startWith(bytes);
    program.logIn("master");
    const std::vector<vault::Entry> expected{{"lf\x8Ainside", "p", "l"}, {"a", "b", "c"}, {"only", "", ""},
                                             {"x", "y", ""},              {" ", "", ""},  {"", "", ""}};
    EXPECT_EQ(program->mainWindow().statusText(), "Loaded 6 entries");
    ASSERT_EQ(program->vaultSession().entries().count(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& entry = program->vaultSession().entries().at(i);
        EXPECT_EQ(hex(std::string(entry.username)), hex(expected[i].username));
        EXPECT_EQ(entry.password, expected[i].password);
        EXPECT_EQ(entry.location, expected[i].location);
    }
    EXPECT_EQ(rowsOf(program->mainWindow()), expected);  // code 138 shows and reads back as itself
    EXPECT_EQ(hex(program.vaultBytes()), hex(bytes));  // logging in only reads

    // The next save writes the rows as the list holds them: blank lines and the fourth piece are gone.
    ASSERT_TRUE(program->vault().save(program->mainWindow().hwnd()));
    EXPECT_EQ(hex(program.vaultBytes()), hex(savedBytes("master", expected)));
}

TEST_F(VaultLoadingTest, AnEmptyFirstLineAsksForANewPasswordAndCreatingKeepsTheEntries) {
    const std::string entryLines = line("old|||entry|||here") + kCrLf + line("more|||of|||them") + kCrLf;
    startWith(kCrLf + entryLines);
    EXPECT_TRUE(program->passwordDialog().creatingPassword());
    EXPECT_TRUE(program->passwordDialog().control(PasswordDialog::RetypeBox)->visible());
    createPassword("brand new");
    // Only line 1 changed.
    EXPECT_EQ(hex(program.vaultBytes()), hex(line("brand new") + entryLines));
    EXPECT_EQ(program->mainWindow().statusText(),
              "Password created successfully.  The 2 entries already in the vault file were kept.");
    EXPECT_EQ(rowsOf(program->mainWindow()),
              (std::vector<vault::Entry>{{"old", "entry", "here"}, {"more", "of", "them"}}));
    EXPECT_EQ(program.endCount(), 0);
    // They are saved with the next change like any other entry.
    ASSERT_TRUE(program->vault().save(program->mainWindow().hwnd()));
    EXPECT_EQ(hex(program.vaultBytes()),
              hex(savedBytes("brand new", {{"old", "entry", "here"}, {"more", "of", "them"}})));
    EXPECT_EQ(boxes.unexpected(), 0);
}

// Real failures on the way in: the program says so and ends, and never goes on as if all was well.
TEST_F(VaultLoadingTest, AReadErrorAfterThePasswordWasAcceptedEndsTheProgramWithoutAnEmptyList) {
    program.writeVault("master", {{"alice", "pw1", "georgetown"}});
    const std::string bytes = program.vaultBytes();
    program.loadMainWindow();
    program.files().failReads = true;
    program.files().failCode = ERROR_LOCK_VIOLATION;
    boxes.answer(IDOK);
    setText(program->passwordDialog().control(PasswordDialog::PasswordBox), "master");
    click(program->passwordDialog().control(PasswordDialog::OkButton));

    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_TRUE(contains(boxes.seen()[0].text, systemReason(ERROR_LOCK_VIOLATION))) << boxes.seen()[0].text;
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_FALSE(program->mainWindow().visible());
    EXPECT_EQ(program->mainWindow().statusText().rfind("Loaded", 0), std::string::npos);
    EXPECT_EQ(hex(program.vaultBytes()), hex(bytes));
}

TEST_F(VaultLoadingTest, AFailedWriteWhileCreatingTheVaultIsReportedNotCelebrated) {
    startWith(kCrLf);
    program.files().failAt = vault::WriteStep::Write;
    boxes.answer(IDOK);
    setText(program->passwordDialog().control(PasswordDialog::PasswordBox), "first one");
    setText(program->passwordDialog().control(PasswordDialog::RetypeBox), "first one");
    click(program->passwordDialog().control(PasswordDialog::OkButton));

    ASSERT_EQ(boxes.seen().size(), 1u);
    const std::string& text = boxes.seen()[0].text;
    EXPECT_TRUE(contains(text, systemReason(ERROR_DISK_FULL))) << text;
    EXPECT_TRUE(contains(text, displayText(vault::temporaryPathFor(program.vaultPath().wstring())))) << text;
    EXPECT_TRUE(contains(text, "keeps the content it had")) << text;
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_NE(program->mainWindow().statusText(), "Password created successfully");
    EXPECT_FALSE(program->mainWindow().visible());
    EXPECT_EQ(program.vaultBytes(), kCrLf);
}

// The dialog is gone by the time the vault is written: a vault too big for memory is told in a box
// of its own, which shows, and the program ends instead of idling without a window.
TEST_F(VaultLoadingTest, RunningOutOfMemoryWhileCreatingTheVaultIsToldAndEndsTheProgram) {
    startWith(kCrLf);
    program.files().beforeReadAll = [] { throw std::bad_alloc(); };
    boxes.answer(IDOK);
    setText(program->passwordDialog().control(PasswordDialog::PasswordBox), "first one");
    setText(program->passwordDialog().control(PasswordDialog::RetypeBox), "first one");
    click(program->passwordDialog().control(PasswordDialog::OkButton));
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_TRUE(contains(boxes.seen()[0].text, "more than Vellumkeep can hold")) << boxes.seen()[0].text;
    EXPECT_EQ(boxes.seen()[0].owner, nullptr);
    EXPECT_EQ(program.endCount(), 1);
}

// A sync tool that changes the vault while the password dialog waits: what the list loads is what
// the next save compares with, so it replaces the file without asking.
TEST_F(VaultLoadingTest, TheVaultAsLoadedIsTheOneASaveKnows) {
    startWith(savedBytes("master", {{"old", "pw", "here"}}));
    program.writeVault("master", {{"synced", "pw", "there"}});
    setText(program->passwordDialog().control(PasswordDialog::PasswordBox), "master");
    click(program->passwordDialog().control(PasswordDialog::OkButton));
    ASSERT_TRUE(program->vault().save(program->mainWindow().hwnd()));  // no question: no box expected
    EXPECT_EQ(hex(program.vaultBytes()), hex(savedBytes("master", {{"synced", "pw", "there"}})));
}

TEST_F(VaultLoadingTest, AZeroByteVaultCountsAsFresh) {
    startWith("");
    EXPECT_TRUE(program->passwordDialog().creatingPassword());
    EXPECT_EQ(program.vaultBytes(), "");  // looked at, not changed
    EXPECT_TRUE(boxes.seen().empty());
    createPassword("first one");
    EXPECT_EQ(hex(program.vaultBytes()), hex(line("first one")));
    EXPECT_EQ(program.endCount(), 0);
}

TEST_F(VaultLoadingTest, FortyThousandEntriesAllLoad) {
    std::vector<vault::Entry> entries;
    for (int i = 0; i < 40000; ++i)
        entries.push_back({"user" + std::to_string(i), "pw" + std::to_string(i), "site" + std::to_string(i)});
    program.writeVault("master", entries);
    program.logIn("master");
    EXPECT_EQ(program->mainWindow().statusText(), "Loaded 40000 entries");
    HWND list = program->mainWindow().entryList.hwnd();
    ASSERT_EQ(listCount(list), 40000);
    EXPECT_EQ(listText(list, 32766, 0), "user32766");
    EXPECT_EQ(listText(list, 39999, 0), "user39999");
    EXPECT_EQ(listText(list, 39999, 1), "pw39999");
    EXPECT_EQ(listText(list, 39999, 2), "site39999");
}

// --- A vault another program holds open ---------------------------------------------------------

TEST(VaultHeldAtStart, IsReportedAndTheProgramEndsWithoutTouchingIt) {
    TestProgram program;
    MessageBoxes boxes;
    program.writeVault("master", {{"u", "p", "l"}});
    const std::string bytes = program.vaultBytes();
    HeldByAnotherProcess holder(program.vaultPath());
    ASSERT_TRUE(holder.held());

    boxes.answer(IDOK);
    program.loadMainWindow();
    ASSERT_EQ(boxes.seen().size(), 1u);
    const SeenBox& box = boxes.seen()[0];
    EXPECT_TRUE(contains(box.text, displayText(program.vaultPath().wstring()))) << box.text;
    EXPECT_TRUE(contains(box.text, systemReason(ERROR_SHARING_VIOLATION))) << box.text;
    EXPECT_EQ(box.title, "Vellumkeep Full");
    EXPECT_TRUE(box.hasOk);
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_FALSE(program->passwordDialog().isLoaded());  // no password is asked for a vault that cannot be read
    EXPECT_FALSE(program->mainWindow().visible());

    holder.release();
    EXPECT_EQ(hex(program.vaultBytes()), hex(bytes));
    EXPECT_FALSE(std::filesystem::exists(program.folder().file("data.enc.tmp")));
}

// A vault too large for the memory the program may use: refused with its size named, and the
// program ends instead of staying open with the password and no entries.
TEST(VaultTooLargeToLoad, IsRefusedWithItsSizeAndTheProgramEnds) {
    TestProgram program;
    MessageBoxes boxes;
    program.writeVault("master", {{"u", "p", "l"}});
    const std::string bytes = program.vaultBytes();
    int reads = 0;
    program.files().beforeReadAll = [&reads] {
        if (++reads > 1) throw std::bad_alloc();  // the gate's read passes, the entries' does not
    };
    program.loadMainWindow();
    boxes.answer(IDOK);
    setText(program->passwordDialog().control(PasswordDialog::PasswordBox), "master");
    click(program->passwordDialog().control(PasswordDialog::OkButton));
    ASSERT_EQ(boxes.seen().size(), 1u);
    const std::string& text = boxes.seen()[0].text;
    EXPECT_TRUE(contains(text, displayText(program.vaultPath().wstring()))) << text;
    EXPECT_TRUE(contains(text, std::to_string(bytes.size()) + " bytes")) << text;
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_FALSE(program->mainWindow().visible());
    EXPECT_EQ(hex(program.vaultBytes()), hex(bytes));
}

// --- Saving from the list ----------------------------------------------------------------------

class VaultSavingTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.writeVault("master", initial);
        before = program.vaultBytes();
        program.logIn("master");
        mainWindow = form().hwnd();
    }
    MainWindow& form() { return program->mainWindow(); }
    // Adds an entry through the main window's Add button and the entry editor.
    void addThroughTheEditor(const vault::Entry& entry) {
        click(form().control(MainWindow::AddButton));
        ASSERT_TRUE(program->entryEditor().isLoaded());
        editorWindow = program->entryEditor().hwnd();
        setText(program->entryEditor().control(EntryEditor::UsernameBox), entry.username);
        setText(program->entryEditor().control(EntryEditor::PasswordBox), entry.password);
        setText(program->entryEditor().control(EntryEditor::WebsiteBox), entry.location);
        click(program->entryEditor().control(EntryEditor::SaveButton));
        ASSERT_FALSE(program->entryEditor().isLoaded());
    }
    // Deletes the first row, confirming it; `then` answers the boxes the save shows.
    void deleteFirstRow(std::initializer_list<int> then = {}) {
        LVITEMW state{};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(form().entryList.hwnd(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
        boxes.answer(IDOK);
        for (int answer : then) boxes.answer(answer);
        click(form().control(MainWindow::DeleteButton));
    }
    bool temporaryLeft() const { return std::filesystem::exists(program.folder().file("data.enc.tmp")); }

    const std::vector<vault::Entry> initial{{"alice", "pw1", "georgetown"}};
    const vault::Entry added{"bob", "pw2", "www.example.com"};
    TestProgram program;
    MessageBoxes boxes;
    std::string before;
    HWND mainWindow = nullptr;  // kept: the boxes are checked after the window has gone
    HWND editorWindow = nullptr;
};

TEST_F(VaultSavingTest, ASaveWritesTheMasterEveryRowAndAClosingEmptyLine) {
    addThroughTheEditor(added);
    const std::string expected = line("master") + entryLine(initial[0]) + entryLine(added) + kCrLf;
    EXPECT_EQ(hex(program.vaultBytes()), hex(expected));
    EXPECT_EQ(program.vaultBytes().substr(expected.size() - 4), "\r\n\r\n");
    EXPECT_EQ(form().statusText(), "Added new entry.  Data saved.");
    EXPECT_FALSE(temporaryLeft());

    // The save itself puts the time of the save on the status line, in the user's format.
    std::string earliest = generalDateTimeNowByHand();
    ASSERT_TRUE(program->vault().save(program->mainWindow().hwnd()));
    std::string latest = generalDateTimeNowByHand();
    std::string status = form().statusText();
    ASSERT_EQ(status.rfind("Saved ", 0), 0u) << status;
    std::string when = status.substr(6);
    EXPECT_TRUE(when == earliest || when == latest) << when << " between " << earliest << " and " << latest;
    EXPECT_EQ(hex(program.vaultBytes()), hex(expected));

    // With no rows left: the master password line, then the empty line.
    deleteFirstRow();
    deleteFirstRow();
    EXPECT_EQ(listCount(form().entryList.hwnd()), 0);
    EXPECT_EQ(hex(program.vaultBytes()), hex(line("master") + kCrLf));
    EXPECT_EQ(form().statusText(), "Entry deleted successfully, data saved.");
    EXPECT_FALSE(program->vaultSession().hasUnsavedChanges());
    EXPECT_EQ(boxes.seen().size(), 2u);  // the two delete confirmations
}

TEST_F(VaultSavingTest, AVaultChangedByAnotherProgramIsReplacedOnlyWhenTheUserSaysSo) {
    // A sync tool puts another file in place while the program runs, one that cannot be merged
    // with: a vault without a master password.
    const std::string theirs = savedBytes("", {{"fromY", "pw", "elsewhere"}});
    writeFile(program.vaultPath(), theirs);

    // No: the file stays as it is, and the change stays in the list, unsaved.
    boxes.answer(IDNO);
    addThroughTheEditor(added);
    ASSERT_EQ(boxes.seen().size(), 1u);
    const SeenBox& question = boxes.seen()[0];
    EXPECT_TRUE(contains(question.text, "changed by another program")) << question.text;
    EXPECT_TRUE(contains(question.text, displayText(program.vaultPath().wstring()))) << question.text;
    EXPECT_TRUE(question.hasYes && question.hasNo);
    EXPECT_EQ(question.owner, editorWindow);
    EXPECT_EQ(hex(program.vaultBytes()), hex(theirs));
    EXPECT_TRUE(program->vaultSession().hasUnsavedChanges());
    EXPECT_TRUE(contains(form().statusText(), "Not saved")) << form().statusText();

    // Asked again at the next save; Yes replaces it with the list.
    deleteFirstRow({IDYES});
    ASSERT_EQ(boxes.seen().size(), 3u);  // the delete confirmation, then the question
    EXPECT_TRUE(contains(boxes.seen()[2].text, "changed by another program")) << boxes.seen()[2].text;
    EXPECT_EQ(boxes.seen()[2].owner, mainWindow);
    EXPECT_EQ(hex(program.vaultBytes()), hex(savedBytes("master", {added})));
    EXPECT_FALSE(program->vaultSession().hasUnsavedChanges());
    EXPECT_EQ(form().statusText(), "Entry deleted successfully, data saved.");

    // What this copy wrote itself is no reason to ask.
    ASSERT_TRUE(program->vault().save(program->mainWindow().hwnd()));
    EXPECT_EQ(boxes.seen().size(), 3u);
    EXPECT_EQ(boxes.unexpected(), 0);
}

// Each step of the replace failing in turn, each time on a program of its own.
TEST(FailingSave, AFailureAtAnyStepKeepsTheFileAndTheChange) {
    const std::vector<vault::Entry> initial{{"alice", "pw1", "georgetown"}};
    for (vault::WriteStep step : kEverySaveStep) {
        SCOPED_TRACE(static_cast<int>(step));
        TestProgram program;
        MessageBoxes boxes;
        program.writeVault("master", initial);
        const std::string bytes = program.vaultBytes();
        program.logIn("master");
        program.files().failAt = step;

        boxes.answer(IDCANCEL);
        click(program->mainWindow().control(MainWindow::AddButton));
        setText(program->entryEditor().control(EntryEditor::UsernameBox), "bob");
        setText(program->entryEditor().control(EntryEditor::PasswordBox), "pw2");
        setText(program->entryEditor().control(EntryEditor::WebsiteBox), "www.example.com");
        click(program->entryEditor().control(EntryEditor::SaveButton));

        ASSERT_EQ(boxes.seen().size(), 1u);
        const SeenBox& box = boxes.seen()[0];
        EXPECT_TRUE(contains(box.text, displayText(program.vaultPath().wstring()))) << box.text;
        EXPECT_TRUE(contains(box.text, systemReason(ERROR_DISK_FULL))) << box.text;
        // The file that failed is named: the new copy, unless the failure was in replacing the vault.
        EXPECT_EQ(contains(box.text, "data.enc.tmp"), step != vault::WriteStep::Replace) << box.text;
        EXPECT_TRUE(box.hasRetry && box.hasCancel);
        EXPECT_EQ(hex(program.vaultBytes()), hex(bytes));
        EXPECT_FALSE(std::filesystem::exists(program.folder().file("data.enc.tmp")));
        EXPECT_EQ(rowsOf(program->mainWindow()),
                  (std::vector<vault::Entry>{initial[0], {"bob", "pw2", "www.example.com"}}));
        EXPECT_TRUE(program->vaultSession().hasUnsavedChanges());
        EXPECT_TRUE(contains(program->mainWindow().statusText(), "Not saved")) << program->mainWindow().statusText();
        EXPECT_EQ(program.endCount(), 0);
    }
}

class FailingSaveTest : public VaultSavingTest {
protected:
    // From here on every save fails at `step` until the fault is removed.
    void failSavesAt(vault::WriteStep step) { failing.failAt = step; }
    // The box is modal to the window whose action raised it.
    void expectSaveFailureBox(const SeenBox& box, HWND raisedBy) {
        EXPECT_TRUE(contains(box.text, displayText(program.vaultPath().wstring()))) << box.text;
        EXPECT_TRUE(contains(box.text, systemReason(ERROR_DISK_FULL))) << box.text;
        EXPECT_EQ(box.title, "Vellumkeep Full");
        EXPECT_TRUE(box.hasRetry);
        EXPECT_TRUE(box.hasCancel);
        EXPECT_FALSE(box.hasOk);
        EXPECT_EQ(box.owner, raisedBy);
    }
    // The change is in the list only: the file and the status line say so.
    void expectUnsavedChange() {
        EXPECT_EQ(hex(program.vaultBytes()), hex(before));
        EXPECT_FALSE(temporaryLeft());
        EXPECT_EQ(rowsOf(form()), (std::vector<vault::Entry>{initial[0], added}));
        EXPECT_TRUE(program->vaultSession().hasUnsavedChanges());
        EXPECT_TRUE(contains(form().statusText(), "Not saved")) << form().statusText();
    }
    void expectClosingQuestion(const SeenBox& box) {
        EXPECT_TRUE(contains(box.text, "could not be saved")) << box.text;
        EXPECT_TRUE(box.hasYes);
        EXPECT_TRUE(box.hasNo);
        EXPECT_TRUE(box.hasCancel);
        EXPECT_EQ(box.title, "Vellumkeep Full");
        EXPECT_EQ(box.owner, mainWindow);
    }

    FailingFileSystem& failing = program.files();
};

TEST_F(FailingSaveTest, RetryAfterTheFaultIsGoneSavesEverything) {
    failSavesAt(vault::WriteStep::Flush);
    // While the box is open the editor takes no input: a second Save cannot add the entry twice,
    // not even from a click sent to the button, as an accessibility tool's default action is.
    bool editorTookInput = true;
    boxes.answerAfter(IDRETRY, [&] {
        editorTookInput = IsWindowEnabled(editorWindow);
        failing.failAt.reset();
        click(program->entryEditor().control(EntryEditor::SaveButton));
    });
    addThroughTheEditor(added);
    ASSERT_EQ(boxes.seen().size(), 1u);
    expectSaveFailureBox(boxes.seen()[0], editorWindow);
    EXPECT_FALSE(editorTookInput);
    EXPECT_EQ(hex(program.vaultBytes()), hex(savedBytes("master", {initial[0], added})));
    EXPECT_FALSE(temporaryLeft());
    EXPECT_FALSE(program->vaultSession().hasUnsavedChanges());
    EXPECT_EQ(form().statusText(), "Added new entry.  Data saved.");
}

TEST_F(FailingSaveTest, ClosingWithUnsavedChangesAsksCancelStaysAndNoLosesThem) {
    failSavesAt(vault::WriteStep::Replace);
    boxes.answer(IDCANCEL);
    addThroughTheEditor(added);
    ASSERT_EQ(boxes.seen().size(), 1u);
    expectSaveFailureBox(boxes.seen()[0], editorWindow);
    expectUnsavedChange();
    EXPECT_EQ(form().statusText(), "Not saved: the last change is kept in the list only, until a save succeeds.");

    // A second change that cannot be saved either: both are counted.
    deleteFirstRow({IDCANCEL});
    ASSERT_EQ(boxes.seen().size(), 3u);
    expectSaveFailureBox(boxes.seen()[2], mainWindow);
    EXPECT_EQ(form().statusText(), "Not saved: the last 2 changes are kept in the list only, until a save succeeds.");

    // Cancel: the main window stays open with its changes.
    boxes.answer(IDCANCEL);
    SendMessageW(form().hwnd(), WM_CLOSE, 0, 0);
    ASSERT_EQ(boxes.seen().size(), 4u);
    expectClosingQuestion(boxes.seen()[3]);
    EXPECT_TRUE(contains(boxes.seen()[3].text, "Your last 2 changes could not be saved")) << boxes.seen()[3].text;
    EXPECT_TRUE(form().isLoaded());
    EXPECT_TRUE(form().visible());
    EXPECT_EQ(program.endCount(), 0);
    EXPECT_EQ(hex(program.vaultBytes()), hex(before));

    // No: the program closes and the changes are lost; the file keeps what it had.
    boxes.answer(IDNO);
    SendMessageW(form().hwnd(), WM_CLOSE, 0, 0);
    ASSERT_EQ(boxes.seen().size(), 5u);
    expectClosingQuestion(boxes.seen()[4]);
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_FALSE(form().isLoaded());
    EXPECT_EQ(hex(program.vaultBytes()), hex(before));
    EXPECT_FALSE(temporaryLeft());
}

TEST_F(FailingSaveTest, ClosingWithAnUnsavedChangeYesSavesAgainUntilItWorks) {
    failSavesAt(vault::WriteStep::Write);
    boxes.answer(IDCANCEL);
    addThroughTheEditor(added);
    expectUnsavedChange();

    // Yes while the disk still fails: the save's own box, Cancel, and the question comes back.
    boxes.answer(IDYES);
    boxes.answer(IDCANCEL);
    boxes.answerAfter(IDYES, [&] { failing.failAt.reset(); });
    SendMessageW(form().hwnd(), WM_CLOSE, 0, 0);
    ASSERT_EQ(boxes.seen().size(), 4u);
    expectClosingQuestion(boxes.seen()[1]);
    EXPECT_TRUE(contains(boxes.seen()[1].text, "Your last change could not be saved")) << boxes.seen()[1].text;
    expectSaveFailureBox(boxes.seen()[2], mainWindow);
    expectClosingQuestion(boxes.seen()[3]);
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_FALSE(form().isLoaded());
    EXPECT_EQ(hex(program.vaultBytes()), hex(savedBytes("master", {initial[0], added})));
    EXPECT_FALSE(temporaryLeft());
}

// The vault gone just when it would be replaced: the new copy is all there is, and is kept, and the
// user is told where it is.
TEST_F(FailingSaveTest, AVaultGoneWhenItWouldBeReplacedKeepsItsNewCopyAndSaysWhere) {
    failing.onStep = [&](vault::WriteStep step) {
        if (step == vault::WriteStep::Replace) DeleteFileW(program.vaultPath().c_str());
    };
    failSavesAt(vault::WriteStep::Replace);
    boxes.answer(IDCANCEL);
    addThroughTheEditor(added);
    ASSERT_EQ(boxes.seen().size(), 1u);
    const std::filesystem::path copy = program.folder().file("data.enc.tmp");
    EXPECT_TRUE(contains(boxes.seen()[0].text, "The vault file is gone")) << boxes.seen()[0].text;
    EXPECT_TRUE(contains(boxes.seen()[0].text, displayText(copy.native()))) << boxes.seen()[0].text;
    EXPECT_EQ(vault::entriesOf(readFile(copy)), (std::vector<vault::Entry>{initial[0], added}));
}

// What another program puts in the vault's place is never overwritten unasked: a folder, and a
// link that leads elsewhere, named with the file a save would replace.
TEST_F(VaultSavingTest, WhatTakesTheVaultsPlaceIsNamedAndKept) {
    std::filesystem::remove(program.vaultPath());
    std::filesystem::create_directory(program.vaultPath());
    boxes.answer(IDYES);
    boxes.answer(IDCANCEL);
    EXPECT_FALSE(program->vault().save(mainWindow));
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_TRUE(contains(boxes.seen()[0].text, "changed by another program")) << boxes.seen()[0].text;
    EXPECT_TRUE(contains(boxes.seen()[1].text, "there is a folder")) << boxes.seen()[1].text;
    EXPECT_TRUE(std::filesystem::is_directory(program.vaultPath()));

    std::filesystem::remove(program.vaultPath());
    std::filesystem::create_directory(program.folder().file("synced"));
    writeFile(program.folder().file("synced/notes.txt"), "not a vault");
    ASSERT_TRUE(makeSymbolicLink(program.folder().path(), L"data.enc", L"synced\\notes.txt"));
    boxes.answer(IDNO);
    EXPECT_FALSE(program->vault().save(mainWindow));
    ASSERT_EQ(boxes.seen().size(), 3u);
    EXPECT_TRUE(contains(boxes.seen()[2].text, "notes.txt")) << boxes.seen()[2].text;
    EXPECT_EQ(readFile(program.folder().file("synced/notes.txt")), "not a vault");
    boxes.answer(IDYES);  // the user means it: the file the link leads to is replaced
    EXPECT_TRUE(program->vault().save(mainWindow));
    EXPECT_EQ(vault::entriesOf(readFile(program.folder().file("synced/notes.txt"))), initial);
}

// A handler that fails says so, and the change it could not save is known to closing.
TEST_F(FailingSaveTest, ASaveThatRunsOutOfMemoryIsReportedAndTheChangeStaysUnsaved) {
    failing.onStep = [](vault::WriteStep) -> void { throw std::bad_alloc(); };
    click(form().control(MainWindow::AddButton));
    setText(program->entryEditor().control(EntryEditor::UsernameBox), added.username);
    setText(program->entryEditor().control(EntryEditor::PasswordBox), added.password);
    boxes.answer(IDOK);
    click(program->entryEditor().control(EntryEditor::SaveButton));
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_TRUE(contains(boxes.seen()[0].text, "not enough memory")) << boxes.seen()[0].text;
    EXPECT_TRUE(program->vaultSession().hasUnsavedChanges());
    EXPECT_EQ(hex(program.vaultBytes()), hex(before));
}

// Logging off: one more save is tried; while it fails the end of the session is refused and the
// user is asked as at closing; once it works the session ends through the closing sequence.
TEST_F(FailingSaveTest, TheEndOfTheSessionWaitsForAnUnsavedChange) {
    failSavesAt(vault::WriteStep::Replace);
    boxes.answer(IDCANCEL);
    addThroughTheEditor(added);
    expectUnsavedChange();

    EXPECT_EQ(SendMessageW(form().hwnd(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), FALSE);
    EXPECT_EQ(boxes.seen().size(), 1u) << "no box while the system waits for the answer";
    boxes.answer(IDCANCEL);
    ASSERT_TRUE(pumpUntil([&] { return boxes.seen().size() == 2; }));
    expectClosingQuestion(boxes.seen()[1]);
    EXPECT_EQ(program.endCount(), 0);
    EXPECT_TRUE(program->vaultSession().hasUnsavedChanges());

    failing.failAt.reset();
    EXPECT_EQ(SendMessageW(form().hwnd(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_EQ(hex(program.vaultBytes()), hex(savedBytes("master", {initial[0], added})));
    // Another program refused: the session goes on, and so does this program.
    SendMessageW(form().hwnd(), WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(form().isLoaded() && program.endCount() == 0);
    SendMessageW(form().hwnd(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(program.endCount(), 1);
}

}  // namespace
}  // namespace vk::test

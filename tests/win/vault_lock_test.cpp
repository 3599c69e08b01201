// The lock: what locks the open vault and what does not, what a lock does to the windows open at
// that moment (nothing typed is lost), the unlock through the master password dialog, and the
// Options dialog that chooses when it locks and whether the list shows passwords.
#include <windows.h>
#include <commctrl.h>
#include <wtsapi32.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/text.h"
#include "test_support.h"
#include "vault_samples.h"

namespace vk::test {
namespace {

using vault::Entry;

const std::vector<Entry> kEntries{{"alice", "pw-a", "georgetown"}, {"bob", "pw-b", "www.example.com"}};
enum FileItem { kEncryptionItem = 0, kChangePasswordItem = 1, kImportItem = 2, kExportItem = 3, kOptionsItem = 4, kLockItem = 5 };

// The program on two entries, and what the lock tests do with it.
struct LockingProgram {
    // Starts on the two entries, with these values in the settings store.
    void start(const std::map<std::string, std::string>& settings = {}) {
        for (const auto& [key, value] : settings)
            program->env().settings.save(program->env().app.productName, "Settings", key, value);
        program.writeVault("master", kEntries);
        program.logIn("master");
    }
    MainWindow& form() { return program->mainWindow(); }
    HWND list() { return form().entryList.hwnd(); }
    EntryEditor& editor() { return program->entryEditor(); }
    void chooseFileItem(FileItem item) {
        SendMessageW(form().hwnd(), WM_COMMAND, MAKEWPARAM(MainWindow::menuItemId(MainWindow::FileMenu, item), 0), 0);
        pumpPending();
    }
    void windowsLocks() { SendMessageW(form().hwnd(), WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0); }
    void selectRow(int row) { ListView_SetItemState(list(), row, LVIS_SELECTED, LVIS_SELECTED); }

    // Locked as the user sees it: no entry in the list, the status line and the File menu say so.
    void expectLocked() {
        EXPECT_TRUE(program->locked());
        EXPECT_EQ(listCount(list()), 0);
        EXPECT_EQ(form().statusText(), "The vault is locked.  Press Ctrl+L, or use any command, to unlock it.");
        wchar_t item[64] = L"";
        GetMenuStringW(GetSubMenu(GetMenu(form().hwnd()), 0), kLockItem, item, 64, MF_BYPOSITION);
        EXPECT_STREQ(item, L"Unlock...\tCtrl+L");
        // Where the list was: the word, and the one thing to do; the vault's commands wait.
        EXPECT_FALSE(IsWindowVisible(list()));
        EXPECT_TRUE(IsWindowVisible(form().control(MainWindow::LockedLabel)->hwnd()));
        EXPECT_EQ(form().control(MainWindow::LockedLabel)->text(), "Vellumkeep is locked.");
        EXPECT_TRUE(IsWindowVisible(form().control(MainWindow::UnlockButton)->hwnd()));
        EXPECT_EQ(LOWORD(SendMessageW(form().hwnd(), DM_GETDEFID, 0, 0)), MainWindow::UnlockButton);
        for (int command : {MainWindow::AddButton, MainWindow::EditButton, MainWindow::DeleteButton,
                            MainWindow::CopyPasswordButton})
            EXPECT_FALSE(IsWindowEnabled(form().control(command)->hwnd())) << command;
    }
    // Asks to unlock, as the Lock command does while locked, and types the password.
    void typeToUnlock(const std::string& password) {
        if (!program->passwordDialog().isLoaded()) chooseFileItem(kLockItem);
        ASSERT_TRUE(program->passwordDialog().visible());
        EXPECT_TRUE(form().visible()) << "the locked window stays behind the dialog";
        setText(program->passwordDialog().control(PasswordDialog::PasswordBox), password);
        click(program->passwordDialog().control(PasswordDialog::OkButton));
    }

    TestProgram program;
};

class VaultLockTest : public ::testing::Test, public LockingProgram {};

// Each way the vault locks, as the options allow, and the options that keep it open. The unlock
// reads the file again: a change made meanwhile is what opens.
TEST_F(VaultLockTest, WhatLocksTheVaultAndWhatDoesNot) {
    auto send = [](UINT message, WPARAM wParam) {
        return [=](LockingProgram& t) { SendMessageW(t.form().hwnd(), message, wParam, 0); };
    };
    auto minimise = [](LockingProgram& t) { ShowWindow(t.form().hwnd(), SW_MINIMIZE); };
    // Used for longer than the five minutes, by one kind of input only, then left for five minutes.
    // The clock is the test's: it moves when the test moves it.
    auto usedThenLeft = [](UINT input) {
        return [input](LockingProgram& t) {
            Timer& idleCheck = *t.form().timer(MainWindow::IdleTimer);
            for (int minute = 0; minute < 8; ++minute) {
                t.program.passTime(60'000);
                PostMessageW(minute % 2 ? t.list() : t.form().hwnd(), input, 0, 0);  // whatever window it reaches
                pumpPending();
                idleCheck.tick();
            }
            EXPECT_FALSE(t.program->locked()) << "locked while in use";
            t.program.passTime(5 * 60'000 - 1);
            idleCheck.tick();
            EXPECT_FALSE(t.program->locked()) << "locked before its time";
            t.program.passTime(1);
            idleCheck.tick();
        };
    };
    const struct {
        const char* what;
        std::map<std::string, std::string> settings;
        std::function<void(LockingProgram&)> act;
        bool locks;
    } cases[] = {
        {"File > Lock", {}, [](LockingProgram& t) { t.chooseFileItem(kLockItem); }, true},
        {"Windows locks the session", {}, send(WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK), true},
        {"the computer goes to sleep", {}, send(WM_POWERBROADCAST, PBT_APMSUSPEND), true},
        {"Windows locks, the option off", {{"lockOnSessionLock", "0"}}, send(WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK), false},
        {"minimised", {}, minimise, false},
        {"minimised, the option on", {{"lockWhenMinimised", "1"}}, minimise, true},
        {"the mouse used, then five minutes without use", {}, usedThenLeft(WM_MOUSEMOVE), true},
        {"typed into, then five minutes without use", {}, usedThenLeft(WM_KEYUP), true},
        {"never for want of use", {{"lockAfterMinutes", "0"}}, [](LockingProgram& t) {
             t.program.passTime(1440 * 60'000);
             t.form().timer(MainWindow::IdleTimer)->tick();
         }, false},
    };
    ClipboardLock clipboardLock;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LockingProgram t;
        t.start(c.settings);
        t.selectRow(1);
        click(t.form().control(MainWindow::CopyPasswordButton));
        c.act(t);
        pumpPending();
        if (!c.locks) {
            EXPECT_FALSE(t.program->locked());
            EXPECT_EQ(shownEntries(t.list()), kEntries);
            EXPECT_EQ(clipboardText(), "pw-b");
            continue;
        }
        t.expectLocked();
        EXPECT_EQ(clipboardText(), std::nullopt) << "the copied password outlived the lock";
        const bool wasMinimised = IsIconic(t.form().hwnd());
        t.program.writeVault("master", {kEntries[1]});  // changed by another program meanwhile
        ShowWindow(t.form().hwnd(), SW_RESTORE);
        pumpPending();
        EXPECT_EQ(t.program->passwordDialog().isLoaded(), wasMinimised) << "restored, it asks for the password at once";
        t.typeToUnlock("master");
        EXPECT_FALSE(t.program->locked());
        EXPECT_EQ(shownEntries(t.list()), std::vector<Entry>{kEntries[1]});
        EXPECT_EQ(t.form().statusText(), "Loaded 1 entries");
        EXPECT_TRUE(IsWindowVisible(t.list()));
        EXPECT_FALSE(IsWindowVisible(t.form().control(MainWindow::UnlockButton)->hwnd()));
        EXPECT_TRUE(IsWindowEnabled(t.form().control(MainWindow::AddButton)->hwnd()));
    }
}

// The editor closes at the lock and comes back after the unlock as it was: a new entry half typed,
// an edit, and an edit of an entry that changed meanwhile, saved as for an entry deleted while it
// was edited.
TEST_F(VaultLockTest, WhatTheEditorHeldComesBackAfterTheUnlock) {
    const Entry carol{"carol", "pw-c", ""}, bob2{"bob", "pw-b2", "www.example.com"}, bob3{"bob", "pw-b3", "www.example.com"};
    const struct {
        const char* what;
        int editRow;  // none: a new entry
        bool entryChangesMeanwhile;
        Entry typed;  // the password is typed after the unlock where it is empty
        std::vector<Entry> saved;
    } cases[] = {
        {"a new entry", -1, false, {"carol", "", ""}, {kEntries[0], kEntries[1], carol}},
        {"an edit", 1, false, bob2, {kEntries[0], bob2}},
        {"an edit whose entry changed", 1, true, bob2, {kEntries[0], bob3, bob2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LockingProgram t;
        t.start();
        if (c.editRow >= 0) t.selectRow(c.editRow);
        click(t.form().control(c.editRow >= 0 ? MainWindow::EditButton : MainWindow::AddButton));
        setText(t.editor().control(EntryEditor::UsernameBox), c.typed.username);
        setText(t.editor().control(EntryEditor::PasswordBox), c.typed.password);
        t.windowsLocks();
        EXPECT_FALSE(t.editor().isLoaded());
        t.expectLocked();
        if (c.entryChangesMeanwhile) t.program.writeVault("master", {kEntries[0], bob3});

        t.typeToUnlock("master");
        ASSERT_TRUE(t.editor().visible());
        EXPECT_EQ(t.editor().control(EntryEditor::UsernameBox)->text(), c.typed.username);
        EXPECT_EQ(t.editor().control(EntryEditor::PasswordBox)->text(), c.typed.password);
        EXPECT_EQ(t.editor().control(EntryEditor::WebsiteBox)->text(), c.typed.location);
        if (c.typed.password.empty()) setText(t.editor().control(EntryEditor::PasswordBox), carol.password);
        MessageBoxes boxes;
        if (c.entryChangesMeanwhile) boxes.answer(IDYES);
        click(t.editor().control(EntryEditor::SaveButton));
        EXPECT_EQ(vault::entriesOf(t.program.vaultBytes()), c.saved);
    }
}

// A message box open at the lock closes as its Cancel would: the command it asked for is not done.
// The dialogs that show what the vault holds close with it.
TEST_F(VaultLockTest, NoOpenBoxOrDialogHoldsTheLockOff) {
    start();
    const std::string before = program.vaultBytes();
    selectRow(0);
    MessageBoxes boxes;
    boxes.answerAfter(IDOK, [&] { windowsLocks(); });
    click(form().control(MainWindow::DeleteButton));
    EXPECT_TRUE(pumpUntil([&] { return program->locked(); }, 3000)) << "the box held the lock off";
    expectLocked();
    EXPECT_EQ(program.vaultBytes(), before) << "the lock answered the Delete box with OK";

    typeToUnlock("master");
    chooseFileItem(kEncryptionItem);
    ASSERT_TRUE(program->vaultKeyDialog().isLoaded());
    windowsLocks();
    EXPECT_FALSE(program->vaultKeyDialog().isLoaded());
    expectLocked();

    // The options say when the vault locks: they are the vault's to guard, as every command is.
    typeToUnlock("master");
    chooseFileItem(kOptionsItem);
    ASSERT_TRUE(program->optionsDialog().isLoaded());
    windowsLocks();
    EXPECT_FALSE(program->optionsDialog().isLoaded());
    chooseFileItem(kOptionsItem);
    EXPECT_FALSE(program->optionsDialog().isLoaded());
    EXPECT_TRUE(program->passwordDialog().visible());
}

// A lock that comes while a command's box is up, after the command's save failed, waits for the
// command: the box closes as Cancel would, the command ends as it would then, and the lock
// follows. Nothing is lost or added twice, whichever way the lock comes, and the next save
// writes every entry.
TEST_F(VaultLockTest, ALockWhileACommandsBoxIsUpWaitsForTheCommand) {
    const std::string strong = "Harbor-Quilt-Lantern-58";  // no question before it guards a vault
    const Entry carol{"carol", "pw-c", ""}, dave{"dave", "pw-d", "www.example.org"};
    using Trigger = std::function<void(LockingProgram&)>;
    const std::pair<const char*, Trigger> triggers[] = {
        {"Windows locks the session", [](LockingProgram& t) { t.windowsLocks(); }},
        {"File > Lock", [](LockingProgram& t) { t.chooseFileItem(kLockItem); }},
        {"five minutes without use",
         [](LockingProgram& t) {
             t.program.passTime(5 * 60'000);
             t.form().timer(MainWindow::IdleTimer)->tick();
         }},
    };
    auto keyDialog = [](FileItem item, std::vector<std::string> typed) {
        return [item, typed](LockingProgram& t) {
            t.chooseFileItem(item);
            const int boxes[] = {VaultKeyDialog::CurrentBox, VaultKeyDialog::NewBox, VaultKeyDialog::RetypeBox};
            for (size_t i = 0; i < typed.size(); ++i) setText(t.program->vaultKeyDialog().control(boxes[i]), typed[i]);
            click(t.program->vaultKeyDialog().control(VaultKeyDialog::OkButton));
        };
    };
    // Each command, its boxes answered: the box of its failure closes as the lock comes.
    using Command = std::function<void(LockingProgram&, MessageBoxes&, const std::function<void()>& lockComes)>;
    auto failedSave = [](std::function<void(LockingProgram&)> command) -> Command {
        return [command](LockingProgram& t, MessageBoxes& boxes, const std::function<void()>& lockComes) {
            boxes.answerAfter(IDCANCEL, lockComes);  // Retry or Cancel
            command(t);
        };
    };
    const struct {
        const char* what;
        bool encryptFirst;
        Command command;
        bool reportAfterUnlock;  // what the lock closed unread is shown again
        std::vector<Entry> shownAfterUnlock;
    } commands[] = {
        {"Encrypt Vault", false, failedSave(keyDialog(kEncryptionItem, {strong})), false, kEntries},
        {"Change Master Password", false,
         failedSave(keyDialog(kChangePasswordItem, {strong, "Copper-Meadow-Violin-31", "Copper-Meadow-Violin-31"})),
         false, kEntries},
        {"Remove Encryption", true, failedSave(keyDialog(kEncryptionItem, {strong})), false, kEntries},
        {"the editor's Save", false,
         failedSave([&](LockingProgram& t) {
             click(t.form().control(MainWindow::AddButton));
             setText(t.editor().control(EntryEditor::UsernameBox), carol.username);
             setText(t.editor().control(EntryEditor::PasswordBox), carol.password);
             click(t.editor().control(EntryEditor::SaveButton));
         }),
         false, {kEntries[0], kEntries[1], carol}},
        {"Import Entries", false,
         [&](LockingProgram& t, MessageBoxes& boxes, const std::function<void()>& lockComes) {
             const std::filesystem::path csv = t.program.folder().file("in.csv");
             writeFile(csv, "Username,Password,Website/Location\r\ncarol,pw-c,\r\n");
             boxes.answerAfter(IDCANCEL, lockComes);
             boxes.answer(IDOK);  // the report, which the lock closes too
             FileDialogAnswer open(L"Import Entries", csv.native());
             t.chooseFileItem(kImportItem);
         },
         true, {kEntries[0], kEntries[1], carol}},
        {"Export Entries", false,
         [&](LockingProgram& t, MessageBoxes& boxes, const std::function<void()>& lockComes) {
             boxes.answer(IDYES);  // every password in plain text
             boxes.answerAfter(IDOK, lockComes);  // not exported
             FileDialogAnswer saveAs(L"Export Entries", t.program.folder().file("out.csv").native());
             t.chooseFileItem(kExportItem);
         },
         false, kEntries},
    };
    for (const auto& c : commands) {
        for (const auto& [how, trigger] : triggers) {
            SCOPED_TRACE(std::string(c.what) + ", " + how);
            LockingProgram t;
            t.program.writeVault(strong, kEntries);
            t.program.logIn(strong);
            if (c.encryptFirst) keyDialog(kEncryptionItem, {strong})(t);
            const std::string before = t.program.vaultBytes();
            t.program.files().failAt = vault::WriteStep::Replace;
            MessageBoxes boxes;
            c.command(t, boxes, [&, trigger = trigger] { trigger(t); });
            EXPECT_TRUE(pumpUntil([&] { return t.program->locked(); }, 3000));
            t.expectLocked();
            EXPECT_EQ(t.program.vaultBytes(), before);
            t.program.files().failAt.reset();

            const size_t seen = boxes.seen().size();
            if (c.reportAfterUnlock) boxes.answer(IDOK);
            t.typeToUnlock(strong);
            ASSERT_EQ(boxes.seen().size(), seen + c.reportAfterUnlock);
            if (c.reportAfterUnlock) {
                EXPECT_EQ(boxes.seen().back().text, boxes.seen()[seen - 1].text);
            }
            EXPECT_FALSE(t.program->locked());
            EXPECT_FALSE(t.editor().isLoaded()) << "the editor's Save was over before the lock";
            EXPECT_EQ(shownEntries(t.list()), c.shownAfterUnlock);
            click(t.form().control(MainWindow::AddButton));
            setText(t.editor().control(EntryEditor::UsernameBox), dave.username);
            setText(t.editor().control(EntryEditor::PasswordBox), dave.password);
            setText(t.editor().control(EntryEditor::WebsiteBox), dave.location);
            click(t.editor().control(EntryEditor::SaveButton));
            EXPECT_EQ(t.form().statusText(), "Added new entry.  Data saved.");
            std::vector<Entry> saved = c.shownAfterUnlock;
            saved.push_back(dave);
            EXPECT_EQ(shownEntries(t.list()), saved);
            EXPECT_EQ(t.program->vaultSession().entries().count(), saved.size());
            EXPECT_EQ(boxes.unexpected(), 0);
        }
    }
}

// A change that could not be saved stays, hidden, through the lock; the unlock takes the password
// it was opened with, reads no file, and says again that the change is unsaved. Cancel leaves the
// vault locked. Wrong tries never end the program while the change is unsaved: from the third on,
// each makes the next try wait, twice as long each time; once it is saved, three end it again.
TEST_F(VaultLockTest, AWrongPasswordAtTheUnlockNeverLosesAnUnsavedChange) {
    start();
    program.files().failAt = vault::WriteStep::Replace;
    MessageBoxes boxes;
    boxes.answer(IDCANCEL);
    program->vault().addEntry({"carol", "pw-c", ""});
    EXPECT_FALSE(program->vault().save(form().hwnd()));
    chooseFileItem(kLockItem);
    expectLocked();
    program.writeVault("master", {});  // another program's change is not what the unlock shows
    chooseFileItem(kLockItem);
    click(program->passwordDialog().control(PasswordDialog::CancelButton));
    EXPECT_FALSE(program->passwordDialog().isLoaded());
    expectLocked();

    PasswordDialog& dialog = program->passwordDialog();
    for (int i = 0; i < 4; ++i) boxes.answer(IDRETRY);
    for (const char* guess : {"one", "two", "three"}) typeToUnlock(guess);
    Timer& nextTry = *dialog.timer(PasswordDialog::NextTryTimer);
    for (const char* said : {"3 wrong passwords.  The next try is taken in 30 seconds.",
                             "4 wrong passwords.  The next try is taken in 1 minute."}) {
        EXPECT_EQ(dialog.control(PasswordDialog::MessageLabel)->text(), said);
        EXPECT_FALSE(IsWindowEnabled(dialog.control(PasswordDialog::OkButton)->hwnd()));
        setText(dialog.control(PasswordDialog::PasswordBox), "master");
        click(dialog.control(PasswordDialog::OkButton));
        EXPECT_TRUE(program->locked()) << "a try taken before its time";
        nextTry.tick();
        typeToUnlock(said[0] == '3' ? "four" : "master");
    }
    EXPECT_EQ(program.endCount(), 0);
    EXPECT_FALSE(program->locked());
    EXPECT_EQ(listCount(list()), 3);
    EXPECT_EQ(form().statusText(), "Not saved: the last change is kept in the list only, until a save succeeds.");

    program.files().failAt.reset();
    // The save merges the file another program wrote meanwhile (both entries deleted) with the
    // change kept here.
    ASSERT_TRUE(program->vault().save(form().hwnd()));
    EXPECT_EQ(vault::entriesOf(program.vaultBytes()), (std::vector<Entry>{{"carol", "pw-c", ""}}));
    chooseFileItem(kLockItem);
    for (int i = 0; i < 3; ++i) boxes.answer(IDRETRY);
    boxes.answer(IDOK);
    for (const char* guess : {"one", "two", "three"}) typeToUnlock(guess);
    EXPECT_EQ(boxes.seen().back().text, "Only 3 tries allowed.  Click Ok to close.");
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_EQ(listCount(list()), 0);
}

// The Options dialog shows the options in force (an unreadable value: its default), refuses
// minutes it cannot use, and keeps what OK gives it. Without passwords the list shows dots, and
// Copy Password still copies the real one.
TEST_F(VaultLockTest, TheOptionsDialogKeepsWhatOkGivesIt) {
    ClipboardLock clipboardLock;
    start({{"lockAfterMinutes", "banana"}, {"lockWhenMinimised", "2"}});
    OptionsDialog& dialog = program->optionsDialog();
    chooseFileItem(kOptionsItem);
    EXPECT_EQ(dialog.control(OptionsDialog::MinutesBox)->text(), "5");
    MessageBoxes boxes;
    for (const char* refused : {"1441", "-1", ""}) {
        boxes.answer(IDOK);
        setText(dialog.control(OptionsDialog::MinutesBox), refused);
        click(dialog.control(OptionsDialog::OkButton));
    }
    EXPECT_EQ(boxes.seen().at(2).text, "Type the minutes as a whole number from 0 to 1440 (0: never lock for want of use).");
    setText(dialog.control(OptionsDialog::MinutesBox), "1440");
    for (int box : {OptionsDialog::SessionLockBox, OptionsDialog::MinimisedBox, OptionsDialog::ShowPasswordsBox})
        click(dialog.control(box));
    click(dialog.control(OptionsDialog::OkButton));
    const Options chosen{1440, false, true, false};
    EXPECT_EQ(readOptions(program->env().settings, program->env().app.productName), chosen);
    EXPECT_EQ(program->options(), chosen);

    EXPECT_EQ(listText(list(), 0, 1), displayText(std::wstring(8, L'\u2022')));
    selectRow(0);
    click(form().control(MainWindow::copyButtonId(vault::Field::Password)));
    EXPECT_EQ(clipboardText(), "pw-a");
    EXPECT_NE(form().statusText().find("(not shown)"), std::string::npos) << form().statusText();
}

}  // namespace
}  // namespace vk::test

// What the gate does with the file it finds, and with a file that changes while it asks for the
// password: it opens only what it checked, never lets a vault that was encrypted quietly become a
// readable one, and never loses the copy a save left beside the vault.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "vault/system_cryptography.h"
#include "test_support.h"
#include "vault/encrypted_vault.h"
#include "vault_samples.h"

namespace vk::test {
namespace {

namespace fs = std::filesystem;

const std::vector<vault::Entry> kEntries{{"alice", "pw1", "georgetown"}, {"bob", "pw2", "www.example.com"}};

std::string scrambledVault(const std::string& master, const std::vector<vault::Entry>& entries = kEntries) {
    vault::SavedVaultBuilder vault(master);
    for (const auto& entry : entries) vault.add(entry);
    return vault.finish();
}

// Few iterations, unless the test needs what the program writes: these tests are about files, not
// about the strength of the key (a weaker key is saved again with today's at the open).
std::string encryptedVault(const std::string& master, std::uint32_t iterations = vault::kFewestIterations) {
    vault::SystemCryptography crypto;
    vault::KeysResult keys = vault::makeFreshVaultKeys(crypto, master, iterations);
    return vault::encryptVault(crypto, *keys.keys, scrambledVault("")).fileBytes;
}

void typePassword(TestProgram& program, const std::string& password) {
    setText(program->passwordDialog().control(PasswordDialog::PasswordBox), password);
    click(program->passwordDialog().control(PasswordDialog::OkButton));
}

bool saysAll(const SeenBox& box, std::initializer_list<const char*> words) {
    for (const char* word : words)
        if (box.text.find(word) == std::string::npos) return false;
    return true;
}

// --- The file changes while the password dialog is open ---------------------------------------

TEST(VaultChangedAtTheGate, WhatOpensIsTheFileAsItIsNowCheckedAsAtStart) {
    struct Case {
        const char* what;
        std::string atStart;
        std::string meanwhile;
        const char* typed;
        bool opens;
    };
    const Case cases[] = {
        {"turned encrypted", scrambledVault("master"), encryptedVault("master", vault::kDefaultIterations), "master",
         true},
        {"restored with another password, typed", scrambledVault("old"), scrambledVault("new"), "new", true},
        {"restored with another password, the old one typed", scrambledVault("old"), scrambledVault("new"), "old",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestProgram program;
        writeFile(program.vaultPath(), c.atStart);
        program.loadMainWindow();
        ASSERT_FALSE(program->passwordDialog().creatingPassword());
        writeFile(program.vaultPath(), c.meanwhile);
        MessageBoxes boxes;
        if (!c.opens) boxes.answer(IDCANCEL);
        typePassword(program, c.typed);
        EXPECT_EQ(program->mainWindow().visible(), c.opens);
        if (c.opens) {
            EXPECT_EQ(shownEntries(program->mainWindow().entryList.hwnd()), kEntries);
        }
        if (!c.opens) {
            EXPECT_EQ(boxes.seen().at(0).title, "Incorrect Password");
        }
        EXPECT_EQ(program.vaultBytes(), c.meanwhile);
    }
}

TEST(VaultChangedAtTheGate, AVaultThatLostItsPasswordAsksForANewOneAndOneThatGotOneAsksForIt) {
    TestProgram program;
    writeFile(program.vaultPath(), scrambledVault("master"));
    program.loadMainWindow();
    writeFile(program.vaultPath(), vault::freshVault());
    typePassword(program, "master");
    EXPECT_TRUE(program->passwordDialog().isLoaded());
    EXPECT_TRUE(program->passwordDialog().creatingPassword());
    EXPECT_EQ(program.vaultBytes(), vault::freshVault());

    // Now the other way: while the new master password is typed, the file becomes an encrypted vault.
    const std::string encrypted = encryptedVault("master");
    writeFile(program.vaultPath(), encrypted);
    setText(program->passwordDialog().control(PasswordDialog::PasswordBox), "brand new");
    setText(program->passwordDialog().control(PasswordDialog::RetypeBox), "brand new");
    click(program->passwordDialog().control(PasswordDialog::OkButton));
    EXPECT_EQ(program.vaultBytes(), encrypted);
    ASSERT_TRUE(program->passwordDialog().isLoaded());
    EXPECT_FALSE(program->passwordDialog().creatingPassword());
    typePassword(program, "master");
    EXPECT_EQ(shownEntries(program->mainWindow().entryList.hwnd()), kEntries);
    EXPECT_EQ(program.endCount(), 0);
}

// The vault goes or is swapped while the dialog waits: nothing is made in its place before the user
// has seen what is there now. Moved into the copy's place, it is offered; gone or without a master
// password where it was encrypted, the question says so.
TEST(VaultChangedAtTheGate, AVaultGoneOrSwappedWhileTheDialogWaitsIsAskedAboutBeforeAnythingIsMade) {
    TestProgram first;
    writeFile(first.vaultPath(), encryptedVault("master"));
    first.logIn("master");  // marks the vault as encrypted
    const std::string encrypted = first.vaultBytes();
    enum class Meanwhile { MovedIntoCopy, Deleted, MadeFresh };
    const struct {
        const char* what;
        Meanwhile meanwhile;
        int answer;
        const char* says;
    } cases[] = {
        {"moved into the copy's place", Meanwhile::MovedIntoCopy, IDYES, "Use this copy as the vault?"},
        {"deleted, once encrypted", Meanwhile::Deleted, IDNO, "the file now is missing"},
        {"without a master password, once encrypted", Meanwhile::MadeFresh, IDNO,
         "the file now is a vault without a master password"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(first.vaultPath(), encrypted);
        TestProgram later(first.folder().path());
        later->env().settings.root = first.settingsRoot();
        later.loadMainWindow();
        const fs::path copy = vault::temporaryPathFor(later.vaultPath().native());
        if (c.meanwhile == Meanwhile::MovedIntoCopy) {
            ASSERT_TRUE(MoveFileW(later.vaultPath().c_str(), copy.c_str()));
        }
        if (c.meanwhile == Meanwhile::Deleted) {
            ASSERT_TRUE(DeleteFileW(later.vaultPath().c_str()));
        }
        if (c.meanwhile == Meanwhile::MadeFresh) writeFile(later.vaultPath(), vault::freshVault());
        const std::string before = readFile(later.vaultPath());
        MessageBoxes boxes;
        std::string atTheQuestion = "unasked";
        boxes.answerAfter(c.answer, [&] { atTheQuestion = readFile(later.vaultPath()); });
        typePassword(later, "master");
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_TRUE(saysAll(boxes.seen()[0], {c.says})) << boxes.seen()[0].text;
        EXPECT_EQ(atTheQuestion, before) << "written before the question";
        EXPECT_EQ(later.endCount(), c.answer == IDNO ? 1 : 0);
        if (c.answer == IDYES) {
            EXPECT_EQ(shownEntries(later->mainWindow().entryList.hwnd()), kEntries);
            EXPECT_FALSE(pathExists(copy));
        } else {
            EXPECT_EQ(readFile(later.vaultPath()), before);
            EXPECT_FALSE(later->passwordDialog().creatingPassword());
        }
    }
}

// --- A vault that was encrypted when last used ------------------------------------------------

TEST(VaultOnceEncrypted, FoundReadableIsToldBeforeAnythingAndNoKeepsTheFile) {
    TestProgram first;
    writeFile(first.vaultPath(), encryptedVault("master"));
    first.logIn("master");

    struct Case {
        const char* what;
        std::optional<std::string> file;  // none: no file at all
        int answer;
        const char* says;
    };
    const Case cases[] = {
        {"scrambled", scrambledVault("master"), IDNO, "the file now is scrambled, not encrypted"},
        {"empty", std::string(), IDNO, "the file now is empty (0 bytes)"},
        {"fresh", vault::freshVault(), IDNO, "the file now is a vault without a master password"},
        {"missing", std::nullopt, IDNO, "the file now is missing"},
        {"scrambled, gone on with", scrambledVault("master"), IDYES, "the file now is scrambled"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestProgram later(first.folder().path());
        later->env().settings.root = first.settingsRoot();
        DeleteFileW(later.vaultPath().c_str());
        if (c.file) writeFile(later.vaultPath(), *c.file);
        MessageBoxes boxes;
        boxes.answer(c.answer);
        later.loadMainWindow();
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_TRUE(saysAll(boxes.seen()[0], {"was encrypted when you last used it", c.says}))
            << boxes.seen()[0].text;
        EXPECT_TRUE(boxes.seen()[0].hasYes && boxes.seen()[0].hasNo);
        EXPECT_EQ(later->passwordDialog().isLoaded(), c.answer == IDYES);
        EXPECT_EQ(later.endCount(), c.answer == IDYES ? 0 : 1);
        EXPECT_EQ(pathExists(later.vaultPath()), c.file.has_value());
        if (c.file) {
            EXPECT_EQ(later.vaultBytes(), *c.file);
        }
    }
}

// The mark goes where the vault goes and is read by what it means: a renamed folder, a settings
// value lost, stored as a number or with a space, a folder reached by a link: each still asks.
TEST(VaultOnceEncrypted, IsKnownWhereverTheVaultGoesAndHoweverTheSettingsSayIt) {
    auto markValue = [](const std::string& settingsRoot, const char* data, DWORD type, DWORD size) {
        HKEY key = nullptr;
        const std::string section = settingsRoot + "\\Vellumkeep\\Encrypted Vaults";
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, section.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        char name[128];
        DWORD length = sizeof name;
        ASSERT_EQ(RegEnumValueA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        if (data)
            RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data), size);
        else
            RegDeleteValueA(key, name);
        RegCloseKey(key);
    };
    const DWORD one = 1;
    const struct {
        const char* what;
        std::function<void(TestProgram& first, const fs::path& there)> move;
        bool byLink;
    } cases[] = {
        {"the folder renamed, the settings left behind",
         [](TestProgram& first, const fs::path& there) {
             for (const wchar_t* name : {L"data.enc", L"data.enc.encrypted"})
                 ASSERT_TRUE(CopyFileW((first.folder() / name).c_str(), (there / name).c_str(), TRUE));
         }, false},
        {"the settings value deleted",
         [&](TestProgram& first, const fs::path&) { markValue(first.settingsRoot(), nullptr, 0, 0); }, false},
        {"the settings value a number, the file beside it gone",
         [&](TestProgram& first, const fs::path&) {
             DeleteFileW((first.folder() / L"data.enc.encrypted").c_str());
             markValue(first.settingsRoot(), reinterpret_cast<const char*>(&one), REG_DWORD, sizeof one);
         }, false},
        {"the settings value with a space, the file beside it gone",
         [&](TestProgram& first, const fs::path&) {
             DeleteFileW((first.folder() / L"data.enc.encrypted").c_str());
             markValue(first.settingsRoot(), "1 ", REG_SZ, 3);
         }, false},
        {"the folder reached by a link, the file beside it gone",
         [&](TestProgram& first, const fs::path&) { DeleteFileW((first.folder() / L"data.enc.encrypted").c_str()); },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestProgram first;
        writeFile(first.vaultPath(), encryptedVault("master"));
        first.logIn("master");
        TempFolder elsewhere;
        c.move(first, elsewhere.path());
        fs::path folder = first.folder().path();
        if (c.what[4] == 'f' && c.what[11] == 'r') folder = elsewhere.path();  // renamed
        if (c.byLink) {
            ASSERT_TRUE(makeSymbolicLink(elsewhere.path(), L"linked", L"..\\" + first.folder().path().filename().native()));
            folder = elsewhere.path() / L"linked";
        }
        TestProgram later(folder);
        if (folder == first.folder().path() || c.byLink) later->env().settings.root = first.settingsRoot();
        writeFile(later.vaultPath(), "");
        MessageBoxes boxes;
        boxes.answer(IDNO);
        later.loadMainWindow();
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_TRUE(saysAll(boxes.seen()[0], {"was encrypted when you last used it", "empty (0 bytes)"}))
            << boxes.seen()[0].text;
        EXPECT_EQ(boxes.seen()[0].defaultButton, IDNO);
        EXPECT_EQ(later.endCount(), 1);
        EXPECT_EQ(later.vaultBytes(), "");
    }
}

TEST(VaultOnceEncrypted, RemovingTheEncryptionYourselfAsksNothingAtTheNextStart) {
    TestProgram first;
    writeFile(first.vaultPath(), encryptedVault("master"));
    first.logIn("master");
    SendMessageW(first->mainWindow().hwnd(), WM_COMMAND, MAKEWPARAM(MainWindow::menuItemId(MainWindow::FileMenu, 0), 0),
                 0);
    setText(first->vaultKeyDialog().control(VaultKeyDialog::CurrentBox), "master");
    click(first->vaultKeyDialog().control(VaultKeyDialog::OkButton));
    ASSERT_FALSE(vault::isEncryptedVault(first.vaultBytes()));

    TestProgram later(first.folder().path());
    later->env().settings.root = first.settingsRoot();
    later.logIn("master");  // no box: MessageBoxes would fail the test on any
    EXPECT_EQ(shownEntries(later->mainWindow().entryList.hwnd()), kEntries);
}

// --- The copy a save left beside the vault ----------------------------------------------------

// A copy goes only once the vault beside it has opened whole, its content's tag checked: damage
// past an encrypted vault's header shows only then, and the copy is offered at that moment.
TEST(LeftOverCopy, IsRemovedBesideAVaultThatOpensWholeAndOfferedInPlaceOfOneThatCannot) {
    const std::string copy = scrambledVault("master");
    const std::string damaged = encryptedVault("master").substr(0, 50);
    std::string damagedContent = encryptedVault("master");
    damagedContent.back() = static_cast<char>(damagedContent.back() ^ 1);  // the tag
    struct Case {
        const char* what;
        std::optional<std::string> vaultFile;
        bool linked;  // the vault is a link into another folder, and a save writes beside its target
        bool readOnlyCopy;
        int answer;  // 0: no question
        bool askedAtOpen;  // once the password has opened the file, not at start
        std::string vaultAfter;
        bool copyAfter;
        std::optional<std::string> keptAside;
    };
    const Case cases[] = {
        {"beside a vault that opens", scrambledVault("master"), false, true, 0, false, scrambledVault("master"), false, {}},
        {"beside a linked vault that opens", scrambledVault("master"), true, false, 0, false, scrambledVault("master"),
         false, {}},
        {"the vault missing, taken", std::nullopt, false, false, IDYES, false, copy, false, {}},
        {"the vault missing, declined", std::nullopt, false, false, IDNO, false, "", true, {}},
        {"the vault empty, taken", std::string(), false, false, IDYES, false, copy, false, {}},
        {"the vault damaged, taken", damaged, false, false, IDYES, false, copy, false, damaged},
        {"the vault damaged, declined", damaged, false, false, IDNO, false, damaged, true, {}},
        {"the vault damaged past its header, taken", damagedContent, false, false, IDYES, true, copy, false,
         damagedContent},
        {"the vault damaged past its header, declined", damagedContent, false, false, IDNO, true, damagedContent, true,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestProgram program;
        const fs::path sync = program.folder().file("sync");
        const fs::path target = c.linked ? sync / L"vault.enc" : program.vaultPath();
        const fs::path leftOver = vault::temporaryPathFor(target.native());
        if (c.linked) {
            ASSERT_TRUE(CreateDirectoryW(sync.c_str(), nullptr));
        }
        if (c.vaultFile) writeFile(target, *c.vaultFile);
        if (c.linked) {
            ASSERT_TRUE(makeSymbolicLink(program.folder().path(), L"data.enc", L"sync\\vault.enc"));
        }
        writeFile(leftOver, copy);
        if (c.readOnlyCopy) SetFileAttributesW(leftOver.c_str(), FILE_ATTRIBUTE_READONLY);
        MessageBoxes boxes;
        if (c.answer) boxes.answer(c.answer);
        program.loadMainWindow();
        ASSERT_EQ(boxes.seen().size(), c.answer && !c.askedAtOpen ? 1u : 0u);
        if (!c.answer || c.askedAtOpen) {
            EXPECT_EQ(readFile(leftOver), copy) << "gone before the vault beside it opened";
            typePassword(program, "master");
        }
        ASSERT_EQ(boxes.seen().size(), c.answer ? 1u : 0u);
        if (c.answer) {
            EXPECT_TRUE(saysAll(boxes.seen()[0], {"Use this copy as the vault?"})) << boxes.seen()[0].text;
        }
        EXPECT_EQ(hex(program.vaultBytes()), hex(c.vaultAfter));
        EXPECT_EQ(pathExists(leftOver), c.copyAfter);
        if (c.copyAfter) {
            EXPECT_EQ(readFile(leftOver), copy);
        }
        const fs::path aside = program.vaultPath().native() + L".damaged";
        EXPECT_EQ(pathExists(aside), c.keptAside.has_value());
        if (c.keptAside) {
            EXPECT_EQ(readFile(aside), *c.keptAside);
        }
        EXPECT_EQ(program.endCount(), c.answer == IDNO ? 1 : 0);
        if (c.answer == IDYES && !c.askedAtOpen) typePassword(program, "master");
        if (c.answer != IDNO) {
            EXPECT_EQ(shownEntries(program->mainWindow().entryList.hwnd()), kEntries);
        }
    }
}

// A vault a newer version wrote is not this version's to judge, nor is the copy beside it.
TEST(LeftOverCopy, BesideANewerVersionsVaultStaysAsItIs) {
    TestProgram program;
    vault::SystemCryptography crypto;
    std::string newer = encryptedVault("master");
    newer[8] = static_cast<char>(newer[8] + 1);  // the version
    newer = vault::withHeaderDigestMadeAnew(crypto, newer);
    writeFile(program.vaultPath(), newer);
    const fs::path copy = vault::temporaryPathFor(program.vaultPath().native());
    writeFile(copy, scrambledVault("master"));
    MessageBoxes boxes;
    boxes.answer(IDOK);
    program.loadMainWindow();
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_TRUE(saysAll(boxes.seen()[0], {"newer version of Vellumkeep"})) << boxes.seen()[0].text;
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_EQ(readFile(copy), scrambledVault("master"));
    EXPECT_EQ(program.vaultBytes(), newer);
}

// Wine's DeleteFileW removes what a link leads to: a link in the copy's place goes, at start and
// at a save, and the file it leads to is left whole.
TEST(LeftOverCopy, ALinkInItsPlaceGoesAndWhatItLeadsToStays) {
    TestProgram program;
    program.writeVault("master", kEntries);
    const fs::path outside = program.folder().file("outside.txt");
    writeFile(outside, "not ours");
    ASSERT_TRUE(makeSymbolicLink(program.folder().path(), L"data.enc.tmp", L"outside.txt"));
    program.logIn("master");
    EXPECT_FALSE(pathExists(vault::temporaryPathFor(program.vaultPath().native())));
    EXPECT_EQ(readFile(outside), "not ours");

    ASSERT_TRUE(makeSymbolicLink(program.folder().path(), L"data.enc.tmp", L"outside.txt"));
    ASSERT_TRUE(program->vault().save(program->mainWindow().hwnd()));
    EXPECT_EQ(readFile(outside), "not ours");
    EXPECT_EQ(program.vaultBytes(), scrambledVault("master"));
}

TEST(HardLinkedVault, IsToldOnceAtStartWhatASaveWillDo) {
    TestProgram program;
    program.writeVault("master", kEntries);
    const fs::path other = program.folder().file("other name.enc");
    ASSERT_TRUE(CreateHardLinkW(other.c_str(), program.vaultPath().c_str(), nullptr));
    MessageBoxes boxes;
    boxes.answer(IDOK);
    program.logIn("master");
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_TRUE(saysAll(boxes.seen()[0], {"has 2 names (hard links)", "no longer follow your changes"}))
        << boxes.seen()[0].text;
}

}  // namespace
}  // namespace vk::test

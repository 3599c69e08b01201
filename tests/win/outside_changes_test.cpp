// Two computers sharing one vault: what another program saved meanwhile is read again when nothing
// here is unsaved, and merged with the change here otherwise; a file saved with another master
// password asks for it; one that cannot be merged with is never replaced unasked.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "test_support.h"
#include "vault/system_cryptography.h"
#include "vault_samples.h"

namespace vk::test {
namespace {

using vault::Entry;
const Entry alice{"alice", "pw-a", "georgetown"}, bob{"bob", "pw-b", "www.example.com"};
const Entry bob2{"bob", "pw-b2", "www.example.com"}, bob3{"bob", "pw-b3", "www.example.com"};
const Entry carol{"carol", "pw-c", ""}, dave{"dave", "pw-d", ""};
const std::string kMaster = "Harbor-Quilt-Lantern-58";

std::string scrambledVault(const std::string& master, const std::vector<Entry>& entries) {
    vault::SavedVaultBuilder vault(master);
    for (const Entry& entry : entries) vault.add(entry);
    return vault.finish();
}

// The entries encrypted with the keys that `master` gives for `file` (the vault's own keys, when
// `file` is the vault), or with fresh keys when there is no file.
std::string encryptedVault(const std::string& master, const std::vector<Entry>& entries, const std::string& file = {}) {
    vault::SystemCryptography crypto;
    vault::UnlockResult keys = vault::keysForPassword(crypto, file, master);
    if (file.empty()) keys.keys = std::move(vault::makeFreshVaultKeys(crypto, master).keys);
    return vault::encryptVault(crypto, *keys.keys, scrambledVault("", entries)).fileBytes;
}

std::vector<Entry> entriesIn(const std::string& file, const std::string& master) {
    if (!vault::isEncryptedVault(file)) return vault::entriesOf(file);
    vault::SystemCryptography crypto;
    vault::UnlockResult keys = vault::keysForPassword(crypto, file, master);
    if (!keys.keys) return {};
    return vault::entriesOf(vault::decryptVault(crypto, *keys.keys, file).plaintext);
}

std::filesystem::path onlyVersion(TestProgram& program) {
    std::vector<std::filesystem::path> files;
    for (const auto& file : std::filesystem::directory_iterator(program.folder().file("data.enc.versions")))
        files.push_back(file.path());
    EXPECT_EQ(files.size(), 1u);
    return files.empty() ? std::filesystem::path() : files[0];
}

void activate(TestProgram& program) {
    SendMessageW(program->mainWindow().hwnd(), WM_ACTIVATEAPP, TRUE, 0);
    pumpPending();
}

// The list holds a change the file does not.
void changeUnsaved(TestProgram& program, const std::function<void(VaultController&)>& change) {
    change(program->vault());
    program->vaultSession().markUnsaved();
}

TEST(OutsideChanges, AreReadAgainWithNothingUnsavedAndMergedWithAChangeHere) {
    enum class Noticed { AtActivation, WhileIdle, AtTheSave };
    struct Case {
        const char* what;
        bool encrypted;
        std::vector<Entry> theirs;
        std::function<void(TestProgram&)> here;  // what this copy does meanwhile
        Noticed noticed;
        std::vector<Entry> shown;
        const char* status;
        const char* told;  // the message about entries changed on both sides
    };
    const Case cases[] = {
        {"nothing here", false, {alice, bob2, carol}, nullptr, Noticed::AtActivation, {alice, bob2, carol},
         "The vault was changed by another program; reloaded.", nullptr},
        {"nothing here, encrypted", true, {bob, carol}, nullptr, Noticed::WhileIdle, {bob, carol},
         "The vault was changed by another program; reloaded.", nullptr},
        {"an entry added here",
         false,
         {alice, bob, carol},
         [](TestProgram& p) { changeUnsaved(p, [](VaultController& v) { v.addEntry(dave); }); },
         Noticed::AtActivation,
         {alice, bob, dave, carol},
         "your changes are merged with its",
         nullptr},
        {"an entry deleted here, encrypted",
         true,
         {alice, bob, carol},
         [](TestProgram& p) {
             p->vault().removeEntry(p->vaultSession().entries().idAt(0));
             EXPECT_TRUE(p->vault().save(p->mainWindow().hwnd()));
         },
         Noticed::AtTheSave,
         {bob, carol},
         "your changes are merged with its",
         nullptr},
        {"an entry changed on both sides",
         false,
         {alice, bob3},
         [](TestProgram& p) {
             changeUnsaved(p, [&](VaultController& v) { v.replaceEntry(p->vaultSession().entries().idAt(1), bob2); });
         },
         Noticed::WhileIdle,
         {alice, bob2, bob3},
         "1 entry was changed on both sides",
         "bob (www.example.com): changed here and there; both versions are kept, side by side."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestProgram program;
        writeFile(program.vaultPath(), c.encrypted ? encryptedVault(kMaster, {alice, bob}) : scrambledVault(kMaster, {alice, bob}));
        program.logIn(kMaster);
        program->env().vaultCheckMs = 0;  // at every look at the time without use
        MessageBoxes boxes;
        if (c.told) boxes.answer(IDOK);
        const std::string theirs = c.encrypted ? encryptedVault(kMaster, c.theirs, program.vaultBytes())
                                               : scrambledVault(kMaster, c.theirs);
        writeFile(program.vaultPath(), theirs);
        if (c.here) c.here(program);
        if (c.noticed == Noticed::AtActivation) activate(program);
        if (c.noticed == Noticed::WhileIdle) program->mainWindow().timer(MainWindow::IdleTimer)->tick();
        pumpPending();

        EXPECT_EQ(shownEntries(program->mainWindow().entryList.hwnd()), c.shown);
        EXPECT_NE(program->mainWindow().statusText().find(c.status), std::string::npos)
            << program->mainWindow().statusText();
        EXPECT_FALSE(program->vaultSession().hasUnsavedChanges());
        EXPECT_EQ(entriesIn(program.vaultBytes(), kMaster), c.shown);
        // A merge keeps the file as the other program left it first.
        EXPECT_EQ(c.here ? readFile(onlyVersion(program)) : program.vaultBytes(), theirs);
        ASSERT_EQ(boxes.seen().size(), c.told ? 1u : 0u);
        if (c.told) {
            EXPECT_NE(boxes.seen()[0].text.find(c.told), std::string::npos) << boxes.seen()[0].text;
        }
    }
}

// The other computer changed the master password: it is asked for once, and guards the vault and
// its earlier versions from then on. A file that cannot be merged with is left as it is, and a save
// asks, No by default.
TEST(OutsideChanges, AnotherMasterPasswordIsAskedForAndADamagedFileIsNeverMerged) {
    const std::string kOther = "Copper-Meadow-Violin-31";
    TestProgram program;
    writeFile(program.vaultPath(), encryptedVault(kMaster, {alice, bob}));
    program.logIn(kMaster);
    ASSERT_TRUE(program->vault().save(program->mainWindow().hwnd()));  // keeps the vault as a version
    const std::string rekeyed = encryptedVault(kOther, {alice, carol});
    writeFile(program.vaultPath(), rekeyed);
    activate(program);
    VaultKeyDialog& dialog = program->vaultKeyDialog();
    ASSERT_TRUE(dialog.isLoaded());
    EXPECT_EQ(dialog.purpose(), VaultKeyDialog::Purpose::OpenChangedVault);
    MessageBoxes boxes;
    boxes.answer(IDOK);
    for (const std::string& typed : {kMaster, kOther}) {
        setText(dialog.control(VaultKeyDialog::CurrentBox), typed);
        click(dialog.control(VaultKeyDialog::OkButton));
    }
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text,
              "The password you entered is not the vault file's master password.  Nothing was changed.");
    EXPECT_FALSE(dialog.isLoaded());
    EXPECT_EQ(shownEntries(program->mainWindow().entryList.hwnd()), (std::vector<Entry>{alice, carol}));
    EXPECT_EQ(program.vaultBytes(), rekeyed);
    EXPECT_TRUE(program->vault().isMasterPassword(nullptr, kOther));
    vault::SystemCryptography crypto;
    const std::string version = readFile(onlyVersion(program));
    EXPECT_EQ(vault::keysForPassword(crypto, version, kOther).status, vault::UnlockStatus::Opened);
    EXPECT_EQ(vault::keysForPassword(crypto, version, kMaster).status, vault::UnlockStatus::WrongPassword);

    const std::string damaged = rekeyed.substr(0, rekeyed.size() - 5);
    writeFile(program.vaultPath(), damaged);
    activate(program);
    EXPECT_NE(program->mainWindow().statusText().find("cannot merge with it (it is damaged)"), std::string::npos)
        << program->mainWindow().statusText();
    boxes.answer(IDNO);
    program->vault().addEntry(dave);
    EXPECT_FALSE(program->vault().save(program->mainWindow().hwnd()));
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_NE(boxes.seen()[1].text.find("changed by another program"), std::string::npos) << boxes.seen()[1].text;
    EXPECT_EQ(program.vaultBytes(), damaged);
    EXPECT_EQ(boxes.unexpected(), 0);
}

}  // namespace
}  // namespace vk::test

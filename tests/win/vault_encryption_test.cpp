// The encrypted vault as a user meets it: the File menu's dialogs, the password dialog at start and
// the file on disk, with the system's own cryptography and its real number of iterations.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "vault/system_cryptography.h"
#include "platform/text.h"
#include "test_support.h"
#include "vault/encrypted_vault.h"
#include "vault/vault_versions.h"
#include "vault_samples.h"

namespace vk::test {
namespace {

const std::vector<vault::Entry> kEntries{{"alice", "pw1", "georgetown"}, {"bob", "pw2", "www.example.com"}};
// Master passwords strong enough to guard an encrypted vault without a question.
const std::string kMaster = "Harbor-Quilt-Lantern-58";
const std::string kNewMaster = "Copper-Meadow-Violin-31";
enum FileItem { kEncryption = 0, kChangePassword = 1 };

std::string scrambledVault(const std::string& master) {
    vault::SavedVaultBuilder vault(master);
    for (const auto& entry : kEntries) vault.add(entry);
    return vault.finish();
}

// A vault encrypted outside the program: the scrambled lines under an empty first line, sealed.
std::string encryptedVault(const std::string& master, std::uint32_t iterations = vault::kDefaultIterations) {
    vault::SystemCryptography crypto;
    vault::KeysResult keys = vault::makeFreshVaultKeys(crypto, master, iterations);
    return vault::encryptVault(crypto, *keys.keys, scrambledVault("")).fileBytes;
}

std::uint32_t iterationsOf(const std::string& file) {
    vault::SystemCryptography crypto;
    return vault::readEncryptedHeader(crypto, file).header.keyParameters.iterations;
}

// The system's cryptography, made to fail as CNG fails, with the status it gives for an algorithm
// it lacks (STATUS_NOT_FOUND): when it derives a key, or when a save seals the vault; or to find
// no memory while a save seals it.
class FailingCryptography final : public vault::SystemCryptography {
public:
    enum class How { Off, DerivingFails, Fails, NoMemory } how = How::Off;
    static constexpr const char* kReason = "status 0xC0000225";

    bool pbkdf2HmacSha256(std::string_view password, vault::ByteView salt, std::uint32_t iterations,
                          vault::ByteSpan out) override {
        if (how == How::DerivingFails) return false;
        return vault::SystemCryptography::pbkdf2HmacSha256(password, salt, iterations, out);
    }
    bool sealAes256Gcm(vault::ByteView key, vault::ByteView nonce, vault::ByteView associatedData,
                       vault::ByteView input, vault::ByteSpan output,
                       std::span<std::uint8_t, vault::kTagSize> tag) override {
        if (how == How::NoMemory) throw std::bad_alloc();
        if (how == How::Fails) return false;
        return vault::SystemCryptography::sealAes256Gcm(key, nonce, associatedData, input, output, tag);
    }
    vault::CryptographyFailure lastFailure() const override { return {0xC0000225, kReason}; }
};

std::wstring fileMenuItem(TestProgram& program, int item) {
    wchar_t text[64] = L"";
    GetMenuStringW(GetSubMenu(GetMenu(program->mainWindow().hwnd()), 0), static_cast<UINT>(item), text, 64, MF_BYPOSITION);
    return text;
}

// Opens a dialog of the File menu, types into its boxes, top to bottom, and presses OK.
void useKeyDialog(TestProgram& program, FileItem item, const std::vector<std::string>& typed) {
    SendMessageW(program->mainWindow().hwnd(), WM_COMMAND,
                 MAKEWPARAM(MainWindow::menuItemId(MainWindow::FileMenu, item), 0), 0);
    const int boxes[] = {VaultKeyDialog::CurrentBox, VaultKeyDialog::NewBox, VaultKeyDialog::RetypeBox};
    for (size_t i = 0; i < typed.size(); ++i) setText(program->vaultKeyDialog().control(boxes[i]), typed[i]);
    click(program->vaultKeyDialog().control(VaultKeyDialog::OkButton));
}

TEST(VaultEncryption, EncryptRestartChangePasswordAndRemoveGiveTheScrambledVaultBack) {
    TestProgram first;
    first.writeVault(kMaster, kEntries);
    first.logIn(kMaster);
    useKeyDialog(first, kEncryption, {kMaster});
    const std::string encrypted = first.vaultBytes();
    ASSERT_TRUE(vault::isEncryptedVault(encrypted));
    EXPECT_EQ(iterationsOf(encrypted), vault::kDefaultIterations);
    for (const char* secret : {kMaster.c_str(), "alice", "pw1", "georgetown"})
        EXPECT_EQ(encrypted.find(secret), std::string::npos) << secret;
    EXPECT_EQ(encrypted.find(scrambledVault(kMaster).substr(0, 8)), std::string::npos);
    EXPECT_FALSE(first->vaultKeyDialog().isLoaded());
    EXPECT_EQ(first->mainWindow().statusText().rfind("The vault is encrypted.  Saved ", 0), 0u);
    EXPECT_EQ(fileMenuItem(first, kEncryption), L"Remove Encryption...");

    TestProgram second(first.folder().path());  // a later start on the encrypted vault
    second.logIn(kMaster);
    EXPECT_EQ(shownEntries(second->mainWindow().entryList.hwnd()), kEntries);
    EXPECT_EQ(second.vaultBytes(), encrypted);  // opening writes nothing
    useKeyDialog(second, kChangePassword, {kMaster, kNewMaster, kNewMaster});
    EXPECT_TRUE(vault::isEncryptedVault(second.vaultBytes()));
    EXPECT_NE(second.vaultBytes().substr(16, 16), encrypted.substr(16, 16)) << "a new password gets a new salt";
    EXPECT_EQ(second->mainWindow().statusText().rfind("The master password is changed.  Saved ", 0), 0u);
    useKeyDialog(second, kEncryption, {kNewMaster});
    EXPECT_EQ(hex(second.vaultBytes()), hex(scrambledVault(kNewMaster)));
    EXPECT_EQ(fileMenuItem(second, kEncryption), L"Encrypt Vault...");
}

// No kept copy is weaker than the vault: encrypting it, changing its master password and removing
// the encryption seal every earlier version anew, so that an old master password opens none.
TEST(VaultEncryption, EveryEarlierVersionIsSealedAnewWithTheVault) {
    TestProgram program;
    program.writeVault(kMaster, kEntries);
    // One version that another session kept, then the one this session keeps at its first save.
    const std::filesystem::path versions = program.folder().file("data.enc.versions");
    std::filesystem::create_directory(versions);
    writeFile(versions / vault::versionFileName(1700000000, 1), program.vaultBytes());
    program.logIn(kMaster);
    program->vault().addEntry({"carol", "pw3", ""});
    ASSERT_TRUE(program->vault().save(program->mainWindow().hwnd()));
    const struct {
        const char* what;
        FileItem item;
        std::vector<std::string> typed;
        bool encrypted;
        const std::string& opens;
    } steps[] = {
        {"encrypted", kEncryption, {kMaster}, true, kMaster},
        {"a new master password", kChangePassword, {kMaster, kNewMaster, kNewMaster}, true, kNewMaster},
        {"the encryption removed", kEncryption, {kNewMaster}, false, kNewMaster},
    };
    vault::SystemCryptography crypto;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        useKeyDialog(program, step.item, step.typed);
        ASSERT_FALSE(program->vaultKeyDialog().isLoaded());
        size_t count = 0;
        for (const auto& file : std::filesystem::directory_iterator(versions)) {
            const std::string bytes = readFile(file.path());
            ++count;
            EXPECT_EQ(bytes.find(vault::scrambleText(kMaster)), std::string::npos) << "the first password, readable";
            EXPECT_EQ(vault::isEncryptedVault(bytes), step.encrypted);
            if (!step.encrypted) {
                EXPECT_EQ(vault::storedPasswordOf(bytes), step.opens);
                continue;
            }
            EXPECT_EQ(vault::keysForPassword(crypto, bytes, step.opens).status, vault::UnlockStatus::Opened);
            if (step.opens != kMaster) {
                EXPECT_EQ(vault::keysForPassword(crypto, bytes, kMaster).status, vault::UnlockStatus::WrongPassword);
            }
        }
        EXPECT_EQ(count, 2u);
    }
}

// At start: a wrong password is one of the three tries; a damaged or newer file is said to be so,
// is never written and never taken for a new vault, and the program ends. A damaged header is
// told before any password is asked.
TEST(VaultEncryption, TheGateTellsAWrongPasswordFromADamagedOrNewerFile) {
    const std::string good = encryptedVault("master");
    auto changed = [&](size_t at, char mask) {
        std::string file = good;
        file[at] = static_cast<char>(file[at] ^ mask);
        return file;
    };
    std::string textCopy = good;
    textCopy.erase(4, 1);  // CR LF read as LF in text mode
    vault::SystemCryptography crypto;
    const std::string newer = vault::withHeaderDigestMadeAnew(crypto, changed(8, 0x01));
    struct Case {
        const char* what;
        std::string file;
        const char* typed;  // none: refused before the password dialog opens
        const char* says;
        bool cryptographyFails = false;
    };
    const Case cases[] = {
        {"a wrong password", good, "wrong", "Sorry, the password you entered was not correct."},
        {"a changed byte of the entries", changed(good.size() - 20, 0x01), "master", "The file is damaged"},
        {"cut inside the header", good.substr(0, 40), nullptr, "The file is damaged"},
        {"copied in text mode", textCopy, nullptr, "The file is damaged"},
        {"a changed byte of the salt", changed(20, 0x01), nullptr, "The file is damaged"},
        {"a first byte changed into a CR", '\r' + good.substr(1), nullptr, "The file is damaged"},
        {"the first eight bytes zeroed", std::string(8, '\0') + good.substr(8), nullptr, "The file is damaged"},
        {"nothing but zero bytes", std::string(good.size(), '\0'), nullptr, "nothing but zero bytes"},
        {"a version damaged into a newer one", changed(8, 0x01), nullptr, "The file is damaged"},
        {"a newer version", newer, nullptr, "newer version of Vellumkeep"},
        {"the system's cryptography failing", good, "master",
         "this computer's cryptography (CNG) failed to open it (status 0xC0000225).", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FailingCryptography failing;
        failing.how = FailingCryptography::How::DerivingFails;
        TestProgram program(c.cryptographyFails ? &failing : nullptr);
        writeFile(program.vaultPath(), c.file);
        MessageBoxes boxes;
        boxes.answer(IDCANCEL);
        program.loadMainWindow();
        if (c.typed) {
            ASSERT_TRUE(program->passwordDialog().isLoaded());
            EXPECT_FALSE(program->passwordDialog().creatingPassword());
            setText(program->passwordDialog().control(PasswordDialog::PasswordBox), c.typed);
            click(program->passwordDialog().control(PasswordDialog::OkButton));
        }
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_NE(boxes.seen()[0].text.find(c.says), std::string::npos) << boxes.seen()[0].text;
        EXPECT_EQ(program.endCount(), 1);
        EXPECT_FALSE(program->mainWindow().visible());
        EXPECT_EQ(program.vaultBytes(), c.file);
    }
}

// Keys made with fewer iterations than today's are made anew, and the vault saved with them.
TEST(VaultEncryption, AVaultOfFewerIterationsIsSavedAgainWithTodays) {
    TestProgram program;
    writeFile(program.vaultPath(), encryptedVault("master", vault::kFewestIterations));
    program.logIn("master");
    EXPECT_EQ(iterationsOf(program.vaultBytes()), vault::kDefaultIterations);
    EXPECT_EQ(shownEntries(program->mainWindow().entryList.hwnd()), kEntries);
    EXPECT_FALSE(program->vaultSession().hasUnsavedChanges());
}

// The dialogs change nothing for a wrong current password, an unfit new one, or a failed save.
TEST(VaultEncryption, TheDialogsChangeNothingUnlessAllIsRightAndSaved) {
    TestProgram program;
    program.writeVault(kMaster, kEntries);
    program.logIn(kMaster);
    const std::string before = program.vaultBytes();
    struct Case {
        const char* what;
        FileItem item;
        std::vector<std::string> typed;
        const char* says;
        bool failSave;
    };
    const Case cases[] = {
        {"a wrong current password", kEncryption, {"Master"}, "is not your master password", false},
        {"a new password too short", kChangePassword, {kMaster, "abc", "abc"}, "at least 4 characters", false},
        {"new passwords that differ", kChangePassword, {kMaster, "abcd", "abce"}, "did not match", false},
        {"a save that fails", kEncryption, {kMaster}, "could not save", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        program.files().failAt = c.failSave ? std::optional(vault::WriteStep::Replace) : std::nullopt;
        MessageBoxes boxes;
        boxes.answer(c.failSave ? IDCANCEL : IDOK);
        useKeyDialog(program, c.item, c.typed);
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_NE(boxes.seen()[0].text.find(c.says), std::string::npos) << boxes.seen()[0].text;
        EXPECT_TRUE(program->vaultKeyDialog().isLoaded());
        EXPECT_EQ(program.vaultBytes(), before);
        EXPECT_EQ(program->vaultSession().format(), vault::VaultFormat::Scrambled);
        EXPECT_EQ(fileMenuItem(program, kEncryption), L"Encrypt Vault...");
        program->vaultKeyDialog().unload();
    }
    program.files().failAt.reset();
    useKeyDialog(program, kChangePassword, {kMaster, "abcd", "abcd"});  // the old key was kept
    EXPECT_EQ(hex(program.vaultBytes()), hex(scrambledVault("abcd")));
}

// A save that cannot seal the vault leaves the file as it was and the vault its key; the next save
// works again, in the format the file has.
TEST(VaultEncryption, ASaveThatCannotSealLeavesFileAndKeyAsTheyWere) {
    struct Case {
        const char* what;
        bool encryptedAtStart;
        FailingCryptography::How how;
        const char* says;
        const char* status;
    };
    const Case cases[] = {
        {"encrypting runs out of memory", false, FailingCryptography::How::NoMemory, "not enough memory",
         "Not changed: the vault file keeps what was saved before."},
        {"the cryptography fails in a save", true, FailingCryptography::How::Fails,
         "could not encrypt the vault (status 0xC0000225).",
         "Not saved: the last change is kept in the list only, until a save succeeds."},
        {"the new key cannot be derived", false, FailingCryptography::How::DerivingFails,
         "(CNG) failed, so Vellumkeep cannot encrypt the vault (status 0xC0000225).", "Loaded 2 entries"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FailingCryptography crypto;
        TestProgram program(&crypto);
        writeFile(program.vaultPath(), c.encryptedAtStart ? encryptedVault(kMaster) : scrambledVault(kMaster));
        program.logIn(kMaster);
        const std::string before = program.vaultBytes();
        crypto.how = c.how;
        MessageBoxes boxes;
        boxes.answer(IDCANCEL);
        if (c.encryptedAtStart) {
            program->vault().save(program->mainWindow().hwnd());
        } else {
            useKeyDialog(program, kEncryption, {kMaster});
        }
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_NE(boxes.seen()[0].text.find(c.says), std::string::npos) << boxes.seen()[0].text;
        EXPECT_EQ(program.vaultBytes(), before);
        EXPECT_EQ(program->mainWindow().statusText(), c.status);
        EXPECT_EQ(program->vaultSession().format(),
                  c.encryptedAtStart ? vault::VaultFormat::Encrypted : vault::VaultFormat::Scrambled);
        program->vaultKeyDialog().unload();

        crypto.how = FailingCryptography::How::Off;
        ASSERT_TRUE(program->vault().save(program->mainWindow().hwnd()));
        EXPECT_EQ(vault::isEncryptedVault(program.vaultBytes()), c.encryptedAtStart);
    }
}

// Looks at the program from a timer while OK's work runs: a timer that fires then shows that the
// window thread is not held by the work. It presses OK a second time, then Cancel, which must
// change nothing.
struct Probe {
    HWND dialog = nullptr;
    HWND label = nullptr;
    HWND okButton = nullptr;
    HWND cancelButton = nullptr;
    bool fired = false;
    bool dialogDisabled = false;
    std::string said;
};
Probe* probe = nullptr;  // one at a time, on the tests' one thread

VOID CALLBACK lookDuringWork(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (!probe || probe->fired) return;
    probe->fired = true;
    probe->dialogDisabled = !IsWindowEnabled(probe->dialog);
    probe->said = windowText(probe->label).text;
    SendMessageW(probe->okButton, BM_CLICK, 0, 0);
    SendMessageW(probe->cancelButton, BM_CLICK, 0, 0);
}

TEST(VaultEncryption, WhileAKeyIsDerivedTheDialogsPaintSayWhatTheyDoAndTakeNoSecondOkNorCancel) {
    TestProgram program;
    writeFile(program.vaultPath(), encryptedVault("master"));  // today's iterations: about a second each
    program.loadMainWindow();
    struct Case {
        const char* what;
        Window& dialog;
        std::vector<std::pair<int, const char*>> typed;
        int label;
        int okButton;
        int cancelButton;
    };
    const Case cases[] = {
        {"the gate", program->passwordDialog(), {{PasswordDialog::PasswordBox, "master"}}, PasswordDialog::MessageLabel,
         PasswordDialog::OkButton, PasswordDialog::CancelButton},
        {"changing the master password", program->vaultKeyDialog(),
         {{VaultKeyDialog::CurrentBox, "master"},
          {VaultKeyDialog::NewBox, kNewMaster.c_str()},
          {VaultKeyDialog::RetypeBox, kNewMaster.c_str()}},
         VaultKeyDialog::StatusLabel, VaultKeyDialog::OkButton, VaultKeyDialog::CancelButton},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (&c.dialog == &program->vaultKeyDialog()) program->vaultKeyDialog().open(VaultKeyDialog::Purpose::ChangePassword);
        for (auto [box, text] : c.typed) setText(c.dialog.control(box), text);
        Probe seen;
        seen.dialog = c.dialog.hwnd();
        seen.label = c.dialog.control(c.label)->hwnd();
        seen.okButton = c.dialog.control(c.okButton)->hwnd();
        seen.cancelButton = c.dialog.control(c.cancelButton)->hwnd();
        probe = &seen;
        SetTimer(nullptr, 0, 20, &lookDuringWork);
        click(c.dialog.control(c.okButton));
        probe = nullptr;
        EXPECT_TRUE(seen.fired);
        EXPECT_TRUE(seen.dialogDisabled);
        EXPECT_EQ(seen.said, "Checking the password...");
        EXPECT_FALSE(c.dialog.isLoaded());
        EXPECT_TRUE(program->mainWindow().visible());
        EXPECT_TRUE(IsWindowEnabled(program->mainWindow().hwnd()));
    }
    EXPECT_EQ(program.endCount(), 0);
    EXPECT_EQ(program->mainWindow().statusText().rfind("The master password is changed.  Saved ", 0), 0u);
}

// A wrong current password is refused on an encrypted vault too, where it is checked by deriving keys;
// a weak new one is asked about first.
TEST(VaultEncryption, AWrongCurrentOrAWeakNewPasswordChangesNothingInAnEncryptedVault) {
    FailingCryptography crypto;
    TestProgram program(&crypto);
    writeFile(program.vaultPath(), encryptedVault("master"));
    program.logIn("master");
    const std::string before = program.vaultBytes();
    struct Case {
        FileItem item;
        std::vector<std::string> typed;
        const char* says;
        int answer;
        bool cryptographyFails = false;
    };
    const Case cases[] = {
        {kEncryption, {"Master"}, "is not your master password", IDOK},
        {kChangePassword, {"Master", "new pass", "new pass"}, "is not your master password", IDOK},
        // A weak new password for an encrypted vault is asked about, and No is its default.
        {kChangePassword, {"master", "sunshine1", "sunshine1"}, "Strength: weak", IDNO},
        // A name, a word in l33t, a rarer name: with a year or digits, each as weak.
        {kChangePassword, {"master", "sutherland1977", "sutherland1977"}, "Strength: weak", IDNO},
        {kChangePassword, {"master", "m15informed", "m15informed"}, "Strength: weak", IDNO},
        {kChangePassword, {"master", "clemencia12", "clemencia12"}, "Strength: weak", IDNO},
        // The current password cannot be checked when no key can be derived (the dialog then says
        // too that it is not the master password).
        {kChangePassword, {"master", kNewMaster, kNewMaster},
         "(CNG) failed, so Vellumkeep cannot check the password (status 0xC0000225).", IDOK, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.back());
        crypto.how = c.cryptographyFails ? FailingCryptography::How::DerivingFails : FailingCryptography::How::Off;
        MessageBoxes boxes;
        boxes.answer(c.answer);
        if (c.cryptographyFails) boxes.answer(IDOK);
        useKeyDialog(program, c.item, c.typed);
        ASSERT_EQ(boxes.seen().size(), c.cryptographyFails ? 2u : 1u);
        EXPECT_NE(boxes.seen()[0].text.find(c.says), std::string::npos) << boxes.seen()[0].text;
        EXPECT_EQ(program.vaultBytes(), before);
        EXPECT_EQ(program->vaultSession().format(), vault::VaultFormat::Encrypted);
        program->vaultKeyDialog().unload();
    }
}

}  // namespace
}  // namespace vk::test

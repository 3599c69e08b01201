// The vault's Windows file operations with real files: what counts as the vault being there, files
// held by another program, read-only files, vanished folders, and saves failing half-way.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/vault_claim.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "vault_samples.h"
#include "vault/file_system_impl.h"
#include "test_support.h"
#include "vault/vault_store.h"

namespace vk::vault {
namespace {

namespace fs = std::filesystem;
using test::makeSymbolicLink;

using test::FailingFileSystem;
using test::HeldByAnotherProcess;
using test::pathExists;
using test::readFile;
using test::TempFolder;
using test::writeFile;

std::string savedVault(std::string_view master, const std::vector<Entry>& entries) {
    SavedVaultBuilder builder(master, entries.size());
    for (const auto& e : entries) builder.add(e);
    return builder.finish();
}

class VaultFilesTest : public ::testing::Test {
protected:
    TempFolder folder;
    Path vault = vaultPathIn(folder.path());
    FileSystem& files = realFileSystem();
    VaultStore store{files, vault};
};

// --- Whether the vault is there ---------------------------------------------------------------

TEST_F(VaultFilesTest, TheRealFileSystemIsTheWin32One) {
    EXPECT_NE(dynamic_cast<Win32FileSystem*>(&files), nullptr);
    EXPECT_EQ(vault, folder.path().native() + L"\\data.enc");
    EXPECT_EQ(vaultPathIn(L"C:"), L"C:\\data.enc");
    EXPECT_EQ(temporaryPathFor(vault), folder.path().native() + L"\\data.enc.tmp");
}

TEST_F(VaultFilesTest, AnOrdinaryFileExistsInAnyLetterCase) {
    EXPECT_FALSE(fileExists(files, vault));
    writeFile(vault, "x");
    EXPECT_TRUE(fileExists(files, vault));
    EXPECT_TRUE(fileExists(files, folder / L"DATA.ENC"));
    EXPECT_TRUE(fileExists(files, folder / L"Data.Enc"));
    EXPECT_FALSE(fileExists(files, folder / L"data.en"));
    EXPECT_TRUE(files.sameFileName(L"data.enc", L"DATA.ENC"));
    EXPECT_FALSE(files.sameFileName(L"data.enc", L"data.enc.tmp"));
}

TEST_F(VaultFilesTest, HiddenAndSystemFilesAndFoldersDoNotExist) {
    writeFile(folder / L"hidden.enc", "x");
    writeFile(folder / L"system.enc", "x");
    writeFile(folder / L"plain.enc", "x");
    ASSERT_TRUE(SetFileAttributesW((folder / L"hidden.enc").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesW((folder / L"system.enc").c_str(), FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(CreateDirectoryW((folder / L"sub").c_str(), nullptr));
    EXPECT_FALSE(fileExists(files, folder / L"hidden.enc"));
    EXPECT_FALSE(fileExists(files, folder / L"system.enc"));
    EXPECT_FALSE(fileExists(files, folder / L"sub"));
    EXPECT_FALSE(fileExists(files, Path(folder.path().native() + L"\\")));
    EXPECT_FALSE(fileExists(files, Path((folder / L"plain.enc").native() + L"\\")));
    EXPECT_TRUE(fileExists(files, folder / L"plain.enc"));  // the same kind of file, but ordinary
}

TEST_F(VaultFilesTest, AHiddenVaultIsReadAndNeverWritten) {
    std::string bytes = savedVault("pw", {{"u", "p", "l"}});
    writeFile(vault, bytes);
    ASSERT_TRUE(SetFileAttributesW(vault.c_str(), FILE_ATTRIBUTE_HIDDEN));
    std::vector<Entry> entries;
    ASSERT_TRUE(loadEntries(store, entries).succeeded());
    EXPECT_EQ(entries, (std::vector<Entry>{{"u", "p", "l"}}));
    EXPECT_EQ(readFile(vault), bytes);
}

// --- Reading and writing ----------------------------------------------------------------------

TEST_F(VaultFilesTest, CreateSaveAndLoadRoundTrip) {
    std::string password = "left over";
    ASSERT_TRUE(readStoredPassword(store, password).succeeded());
    EXPECT_EQ(password, "");
    EXPECT_EQ(readFile(vault), "\r\n");

    ASSERT_TRUE(createVault(store, "abc").succeeded());
    EXPECT_EQ(readFile(vault), "\xE1\xE2\xE3\r\n");

    std::vector<Entry> saved{{"abc", "", "abc"}, {"user", "p|w", "https://example.org"}};
    ASSERT_TRUE(store.saveVault(savedVault("master", saved)).succeeded());
    EXPECT_EQ(readFile(vault), savedVault("master", saved));
    std::vector<Entry> loaded;
    ASSERT_TRUE(readStoredPassword(store, password).succeeded());
    ASSERT_TRUE(loadEntries(store, loaded).succeeded());
    EXPECT_EQ(password, "master");
    EXPECT_EQ(loaded, saved);
    EXPECT_FALSE(pathExists(temporaryPathFor(vault)));
}

TEST_F(VaultFilesTest, ReadingAMissingFileIsAnErrorAndCreatesNothing) {
    SecretString bytes = "unchanged";
    IoResult result = files.readAll(vault, bytes);
    ASSERT_TRUE(result.failed());
    EXPECT_EQ(result.error().code, static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(result.error().reason.empty());
    EXPECT_EQ(bytes, "unchanged");
    EXPECT_FALSE(pathExists(vault));
}

TEST(VaultFiles, WorksInAFolderWithCharactersOutsideTheCodePage) {
    TempFolder folder(L"vk-vault-\u00e9\u4e2d\u0416-");
    VaultStore store(realFileSystem(), vaultPathIn(folder.path()));
    ASSERT_TRUE(createVault(store, "pw").succeeded());
    EXPECT_TRUE(fileExists(realFileSystem(), store.path()));
    std::string password;
    ASSERT_TRUE(readStoredPassword(store, password).succeeded());
    EXPECT_EQ(password, "pw");
}

TEST_F(VaultFilesTest, AVaultHeldByAnotherProgramIsReportedAndNotReplaced) {
    const std::string bytes = savedVault("pw", {{"u", "p", "l"}});
    writeFile(vault, bytes);
    HeldByAnotherProcess holder(vault);
    ASSERT_TRUE(holder.held());

    std::string password = "unchanged";
    std::vector<Entry> entries;
    IoResult read = readStoredPassword(store, password);
    IoResult load = loadEntries(store, entries);
    IoResult save = store.saveVault(savedVault("new", {}));
    IoResult create = createVault(store, "new");
    for (const IoResult* result : {&read, &load, &save, &create}) {
        ASSERT_TRUE(result->failed());
        EXPECT_EQ(result->error().code, static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
        EXPECT_FALSE(result->error().reason.empty());
        EXPECT_EQ(result->error().reason.find_first_of("\r\n"), std::string::npos);
    }
    EXPECT_EQ(password, "unchanged");
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(pathExists(temporaryPathFor(vault)));

    holder.release();
    EXPECT_EQ(readFile(vault), bytes);
    ASSERT_TRUE(readStoredPassword(store, password).succeeded());  // free again once the holder is gone
    EXPECT_EQ(password, "pw");
}

TEST_F(VaultFilesTest, AReadOnlyVaultFailsToSaveAndKeepsItsBytes) {
    const std::string bytes = createdVault("pw");
    writeFile(vault, bytes);
    ASSERT_TRUE(SetFileAttributesW(vault.c_str(), FILE_ATTRIBUTE_READONLY));
    IoResult result = store.saveVault(savedVault("new", {{"u", "p", "l"}}));
    ASSERT_TRUE(result.failed());
    EXPECT_NE(result.error().code, 0u);
    EXPECT_FALSE(result.error().reason.empty());
    EXPECT_EQ(readFile(vault), bytes);
    EXPECT_FALSE(pathExists(temporaryPathFor(vault)));
    std::string password;
    ASSERT_TRUE(readStoredPassword(store, password).succeeded());  // still readable
    EXPECT_EQ(password, "pw");
}

TEST(VaultFiles, ASaveIntoADeletedFolderFailsCleanly) {
    Path vault;
    {
        TempFolder gone;
        vault = vaultPathIn(gone.path());
    }
    fs::path folder = fs::path(vault).parent_path();
    ASSERT_FALSE(pathExists(folder));
    VaultStore store(realFileSystem(), vault);
    IoResult result = store.saveVault(savedVault("pw", {}));
    ASSERT_TRUE(result.failed());
    EXPECT_TRUE(result.error().code == ERROR_PATH_NOT_FOUND || result.error().code == ERROR_FILE_NOT_FOUND)
        << result.error().code;
    EXPECT_FALSE(result.error().reason.empty());
    EXPECT_FALSE(pathExists(folder));
    std::string password;
    EXPECT_TRUE(readStoredPassword(store, password).failed());
}

TEST_F(VaultFilesTest, TheReplaceTakesItsStepsInOrder) {
    FailingFileSystem recording;
    std::vector<bool> temporaryExisted;
    recording.onStep = [&](WriteStep) { temporaryExisted.push_back(pathExists(temporaryPathFor(vault))); };
    VaultStore recorded(recording, vault);
    ASSERT_TRUE(recorded.saveVault("content").succeeded());
    EXPECT_EQ(recording.steps, (std::vector<WriteStep>{WriteStep::CreateTemporary, WriteStep::Write,
                                                        WriteStep::Flush, WriteStep::Close, WriteStep::Replace}));
    EXPECT_EQ(temporaryExisted, (std::vector<bool>{false, true, true, true, true}));
    EXPECT_EQ(recording.flushedSize, 7);  // the flush itself ran, on the whole new content
    EXPECT_EQ(readFile(vault), "content");
}

TEST_F(VaultFilesTest, AFailureAtAnyStepLeavesTheOldVaultAndNoTemporary) {
    const std::string oldBytes = savedVault("old", {{"u", "p", "l"}});
    const std::string newBytes = savedVault("new", {{"other", "entries", "here"}});
    for (WriteStep step : {WriteStep::CreateTemporary, WriteStep::Write, WriteStep::Flush, WriteStep::Close,
                           WriteStep::Replace}) {
        SCOPED_TRACE(static_cast<int>(step));
        writeFile(vault, oldBytes);
        FailingFileSystem failing;
        failing.failAt = step;
        VaultStore failingStore(failing, vault);

        IoResult result = failingStore.saveVault(newBytes);
        ASSERT_TRUE(result.failed());
        EXPECT_EQ(result.error().code, static_cast<unsigned long>(ERROR_DISK_FULL));
        EXPECT_EQ(result.error().reason, test::systemReason(ERROR_DISK_FULL));
        EXPECT_EQ(failing.steps.back(), step);
        // The file that failed: the new copy, or the vault itself when it is replaced.
        EXPECT_TRUE(
            files.sameFileName(result.error().file, step == WriteStep::Replace ? vault : temporaryPathFor(vault)))
            << vk::displayText(result.error().file);
        EXPECT_EQ(readFile(vault), oldBytes);
        EXPECT_FALSE(pathExists(temporaryPathFor(vault)));
    }
}

TEST_F(VaultFilesTest, ASaveKeepsAHiddenVaultHidden) {
    writeFile(vault, createdVault("pw"));
    ASSERT_TRUE(SetFileAttributesW(vault.c_str(), FILE_ATTRIBUTE_HIDDEN));
    const std::string saved = savedVault("pw", {{"u", "p", "l"}});
    ASSERT_TRUE(store.saveVault(saved).succeeded());
    EXPECT_EQ(readFile(vault), saved);
    EXPECT_TRUE(GetFileAttributesW(vault.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(pathExists(temporaryPathFor(vault)));
}

TEST(VaultFiles, ALinkedVaultStaysALinkAndItsTargetTakesTheSave) {
    TempFolder folder;
    const fs::path app = folder.path() / L"app", sync = folder.path() / L"sync";
    ASSERT_TRUE(CreateDirectoryW(app.c_str(), nullptr) && CreateDirectoryW(sync.c_str(), nullptr));
    const fs::path target = sync / L"vault.enc";
    writeFile(target, createdVault("pw"));
    ASSERT_TRUE(makeSymbolicLink(app, L"data.enc", L"..\\sync\\vault.enc"));
    FileSystem& files = realFileSystem();
    const Path vault = vaultPathIn(app);

    // However the vault is named, it is the target.
    Path upper = vault;
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    EXPECT_TRUE(files.sameFileName(vaultIdentity(files, vault), target.native())) << vk::displayText(vaultIdentity(files, vault));
    EXPECT_TRUE(files.sameFileName(vaultIdentity(files, upper), target.native()));

    VaultStore store(files, vault);
    const std::string saved = savedVault("pw", {{"u", "p", "l"}});
    ASSERT_TRUE(store.saveVault(saved).succeeded());
    EXPECT_EQ(readFile(target), saved);
    EXPECT_FALSE(pathExists(temporaryPathFor(vault)));
    EXPECT_FALSE(pathExists(temporaryPathFor(target)));
    // Still a link: what is written to the target is what the vault holds.
    writeFile(target, "written there");
    EXPECT_EQ(readFile(vault), "written there");
}

}  // namespace
}  // namespace vk::vault

// The vault's Windows file operations with real files: what counts as the vault being there, files
// held by another program, read-only files, vanished folders, and saves failing half-way.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "vault/file_system_impl.h"
#include "vault/vault_store.h"

namespace vk::vault {
namespace {

namespace fs = std::filesystem;

// A folder of its own under the user's temporary folder, removed with everything in it afterwards.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& prefix = L"vk-vault-") {
        wchar_t base[MAX_PATH + 1] = {};
        DWORD length = GetTempPathW(MAX_PATH + 1, base);
        if (length == 0 || length > MAX_PATH) throw std::runtime_error("no temporary folder");
        for (unsigned attempt = 0;; ++attempt) {
            path_ = std::wstring(base) + prefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(attempt);
            if (CreateDirectoryW(path_.c_str(), nullptr)) break;
            if (GetLastError() != ERROR_ALREADY_EXISTS || attempt > 100) throw std::runtime_error("no temp folder");
        }
    }
    ~TempFolder() {
        std::error_code error;
        // Read-only, hidden and system files would refuse to go.
        for (const auto& entry : fs::recursive_directory_iterator(path_, error))
            SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(path_, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const Path& path() const { return path_; }
    Path operator/(const wchar_t* name) const { return Path(path_.native() + L"\\" + name); }

private:
    Path path_;
};

std::string readFile(const Path& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    if (!file) throw std::runtime_error("cannot open for reading");
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

void writeFile(const Path& path, const std::string& bytes) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw std::runtime_error("cannot write");
}

bool pathExists(const Path& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string savedVault(std::string_view master, const std::vector<Entry>& entries) {
    SavedVaultBuilder builder(master, entries.size());
    for (const auto& e : entries) builder.add(e);
    return builder.finish();
}

// This test program run as "another program" that holds a file open with no sharing
// (--hold-file), until the object goes and closes the program's standard input.
class HeldByAnotherProcess {
public:
    explicit HeldByAnotherProcess(const Path& path) {
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        KernelHandle childInput, childOutput, output;
        if (!CreatePipe(childInput.put(), input_.put(), &inheritable, 0) ||
            !CreatePipe(output.put(), childOutput.put(), &inheritable, 0))
            throw std::runtime_error("no pipes");
        SetHandleInformation(input_.get(), HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(output.get(), HANDLE_FLAG_INHERIT, 0);

        wchar_t program[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, program, MAX_PATH);
        std::wstring commandLine = L"\"" + std::wstring(program) + L"\" --hold-file \"" + path.native() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = childInput.get();
        startup.hStdOutput = childOutput.get();
        startup.hStdError = childOutput.get();
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(program, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                            &info))
            throw std::runtime_error("cannot start the holder");
        process_.reset(info.hProcess);
        KernelHandle thread(info.hThread);
        // Only the child keeps its ends: the pipes then end when it does.
        childInput.reset();
        childOutput.reset();

        std::string said;
        char c = 0;
        DWORD got = 0;
        while (said.find("held") == std::string::npos && ReadFile(output.get(), &c, 1, &got, nullptr) && got == 1)
            said.push_back(c);
        held_ = said.find("held") != std::string::npos;
    }
    ~HeldByAnotherProcess() { release(); }
    HeldByAnotherProcess(const HeldByAnotherProcess&) = delete;
    HeldByAnotherProcess& operator=(const HeldByAnotherProcess&) = delete;

    bool held() const { return held_; }
    void release() {
        input_.reset();
        if (process_) WaitForSingleObject(process_.get(), 30000);
        process_.reset();
    }

private:
    KernelHandle input_;
    KernelHandle process_;
    bool held_ = false;
};

// The real file system, with one step of the replace made to fail; it notes what it saw.
class FailingFileSystem : public Win32FileSystem {
public:
    std::optional<WriteStep> failAt;
    std::vector<WriteStep> steps;
    Path temporary;
    std::vector<bool> temporaryExisted;

protected:
    IoResult beforeStep(WriteStep step) override {
        steps.push_back(step);
        temporaryExisted.push_back(pathExists(temporary));
        if (step == failAt) return IoError{ERROR_DISK_FULL, "There is not enough space on the disk."};
        return std::nullopt;
    }
};

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
    EXPECT_EQ(vault.native(), folder.path().native() + L"\\data.enc");
    EXPECT_EQ(vaultPathIn(L"C:").native(), L"C:\\data.enc");
    EXPECT_EQ(temporaryPathFor(vault).native(), folder.path().native() + L"\\data.enc.tmp");
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

TEST_F(VaultFilesTest, AHiddenVaultKeepsItsContentAndGainsAnEmptyLine) {
    std::string bytes = savedVault("pw", {{"u", "p", "l"}});
    writeFile(vault, bytes);
    ASSERT_TRUE(SetFileAttributesW(vault.c_str(), FILE_ATTRIBUTE_HIDDEN));
    std::vector<Entry> entries;
    ASSERT_FALSE(store.loadEntries(entries));
    EXPECT_EQ(entries, (std::vector<Entry>{{"u", "p", "l"}}));
    EXPECT_EQ(readFile(vault), bytes + "\r\n");
}

// --- Reading and writing ----------------------------------------------------------------------

TEST_F(VaultFilesTest, CreateSaveAndLoadRoundTrip) {
    std::string password = "left over";
    ASSERT_FALSE(store.readStoredPassword(password));
    EXPECT_EQ(password, "");
    EXPECT_EQ(readFile(vault), "\r\n");

    ASSERT_FALSE(store.createVault("abc"));
    EXPECT_EQ(readFile(vault), "\xE1\xE2\xE3\r\n");

    std::vector<Entry> saved{{"abc", "", "abc"}, {"user", "p|w", "https://example.org"}};
    ASSERT_FALSE(store.saveVault(savedVault("master", saved)));
    EXPECT_EQ(readFile(vault), savedVault("master", saved));
    std::vector<Entry> loaded;
    ASSERT_FALSE(store.readStoredPassword(password));
    ASSERT_FALSE(store.loadEntries(loaded));
    EXPECT_EQ(password, "master");
    EXPECT_EQ(loaded, saved);
    EXPECT_FALSE(pathExists(temporaryPathFor(vault)));
}

TEST_F(VaultFilesTest, ReadingAMissingFileIsAnErrorAndCreatesNothing) {
    std::string bytes = "unchanged";
    IoResult error = files.readAll(vault, bytes);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(error->reason.empty());
    EXPECT_EQ(bytes, "unchanged");
    EXPECT_FALSE(pathExists(vault));
}

TEST(VaultFiles, WorksInAFolderWithCharactersOutsideTheCodePage) {
    TempFolder folder(L"vk-vault-\u00e9\u4e2d\u0416-");
    VaultStore store(realFileSystem(), vaultPathIn(folder.path()));
    ASSERT_FALSE(store.createVault("pw"));
    EXPECT_TRUE(fileExists(realFileSystem(), store.path()));
    std::string password;
    ASSERT_FALSE(store.readStoredPassword(password));
    EXPECT_EQ(password, "pw");
}

TEST_F(VaultFilesTest, AVaultHeldByAnotherProgramIsReportedAndNotReplaced) {
    const std::string bytes = savedVault("pw", {{"u", "p", "l"}});
    writeFile(vault, bytes);
    HeldByAnotherProcess holder(vault);
    ASSERT_TRUE(holder.held());

    std::string password = "unchanged";
    std::vector<Entry> entries;
    IoResult read = store.readStoredPassword(password);
    IoResult load = store.loadEntries(entries);
    IoResult save = store.saveVault(savedVault("new", {}));
    IoResult create = store.createVault("new");
    for (const IoResult* result : {&read, &load, &save, &create}) {
        ASSERT_TRUE(*result);
        EXPECT_EQ((*result)->code, static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
        EXPECT_FALSE((*result)->reason.empty());
        EXPECT_EQ((*result)->reason.find_first_of("\r\n"), std::string::npos);
    }
    EXPECT_EQ(password, "unchanged");
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(pathExists(temporaryPathFor(vault)));

    holder.release();
    EXPECT_EQ(readFile(vault), bytes);
    ASSERT_FALSE(store.readStoredPassword(password));  // free again once the holder is gone
    EXPECT_EQ(password, "pw");
}

TEST_F(VaultFilesTest, AReadOnlyVaultFailsToSaveAndKeepsItsBytes) {
    const std::string bytes = createdVault("pw");
    writeFile(vault, bytes);
    ASSERT_TRUE(SetFileAttributesW(vault.c_str(), FILE_ATTRIBUTE_READONLY));
    IoResult error = store.saveVault(savedVault("new", {{"u", "p", "l"}}));
    ASSERT_TRUE(error);
    EXPECT_NE(error->code, 0u);
    EXPECT_FALSE(error->reason.empty());
    EXPECT_EQ(readFile(vault), bytes);
    EXPECT_FALSE(pathExists(temporaryPathFor(vault)));
    std::string password;
    ASSERT_FALSE(store.readStoredPassword(password));  // still readable
    EXPECT_EQ(password, "pw");
}

TEST(VaultFiles, ASaveIntoADeletedFolderFailsCleanly) {
    Path vault;
    {
        TempFolder gone;
        vault = vaultPathIn(gone.path());
    }
    Path folder = vault.parent_path();
    ASSERT_FALSE(pathExists(folder));
    VaultStore store(realFileSystem(), vault);
    IoResult error = store.saveVault(savedVault("pw", {}));
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->code == ERROR_PATH_NOT_FOUND || error->code == ERROR_FILE_NOT_FOUND) << error->code;
    EXPECT_FALSE(error->reason.empty());
    EXPECT_FALSE(pathExists(folder));
    std::string password;
    EXPECT_TRUE(store.readStoredPassword(password));
}

TEST_F(VaultFilesTest, TheReplaceTakesItsStepsInOrder) {
    FailingFileSystem recording;
    recording.temporary = temporaryPathFor(vault);
    VaultStore recorded(recording, vault);
    ASSERT_FALSE(recorded.saveVault("content"));
    EXPECT_EQ(recording.steps, (std::vector<WriteStep>{WriteStep::CreateTemporary, WriteStep::Write,
                                                        WriteStep::Flush, WriteStep::Close, WriteStep::Replace}));
    EXPECT_EQ(recording.temporaryExisted, (std::vector<bool>{false, true, true, true, true}));
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
        failing.temporary = temporaryPathFor(vault);
        VaultStore failingStore(failing, vault);

        IoResult error = failingStore.saveVault(newBytes);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code, static_cast<unsigned long>(ERROR_DISK_FULL));
        EXPECT_EQ(error->reason, "There is not enough space on the disk.");
        EXPECT_EQ(failing.steps.back(), step);
        EXPECT_EQ(readFile(vault), oldBytes);
        EXPECT_FALSE(pathExists(failing.temporary));
    }
}

}  // namespace
}  // namespace vk::vault

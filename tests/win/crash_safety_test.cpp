// A save killed at any moment leaves the vault whole: its old content or its new one, never a
// mix, and the next save leaves no temporary file behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"
#include "vault/vault_store.h"

namespace vk::test {
namespace {

constexpr size_t kEntries = 60000;  // a few megabytes: the save takes long enough to be hit
constexpr int kRuns = 200;

std::wstring saveArguments(const TempFolder& folder, unsigned seed) {
    return L"--save-vault \"" + folder.path().native() + L"\" " + std::to_wstring(seed) + L" " +
           std::to_wstring(kEntries);
}

TEST(KillDuringSave, TheVaultIsAlwaysTheOldOrTheNewContent) {
    TempFolder folder;
    const std::filesystem::path vault = vault::vaultPathIn(folder.path());
    const std::filesystem::path temporary = vault::temporaryPathFor(vault);
    const std::string oldContent = largeVault("master", kEntries, 1);
    const std::string newContent = largeVault("master", kEntries, 2);

    // How long a whole save takes here, from the child's word to its end.
    writeFile(vault, oldContent);
    DWORD wholeSave = 0;
    {
        ChildProgram child(saveArguments(folder, 2));
        ASSERT_TRUE(child.waitFor("saving"));
        DWORD started = GetTickCount();
        ASSERT_TRUE(child.waitFor("saved"));
        wholeSave = GetTickCount() - started;
        ASSERT_TRUE(child.wait());
    }
    ASSERT_EQ(readFile(vault), newContent);

    int keptOld = 0, gotNew = 0, leftTemporary = 0;
    for (int run = 0; run < kRuns; ++run) {
        writeFile(vault, oldContent);
        ChildProgram child(saveArguments(folder, 2));
        ASSERT_TRUE(child.waitFor("saving"));
        // Kill moments spread over the whole save, and a little past it.
        Sleep(static_cast<DWORD>(run % 25) * (wholeSave + 5) / 20);
        child.kill();

        std::string after = readFile(vault);
        ASSERT_TRUE(after == oldContent || after == newContent) << "run " << run << ": " << after.size() << " bytes";
        (after == oldContent ? keptOld : gotNew) += 1;
        if (pathExists(temporary)) ++leftTemporary;

        // The next save starts afresh and leaves nothing behind.
        if (run % 10 == 0) {
            vault::VaultStore store(vault::realFileSystem(), vault);
            ASSERT_FALSE(store.saveVault(oldContent));
            EXPECT_FALSE(pathExists(temporary));
            EXPECT_EQ(readFile(vault), oldContent);
        }
    }
    // Both outcomes happened: the kills really fell inside the save.
    EXPECT_GT(keptOld, 0);
    EXPECT_GT(gotNew, 0);
    RecordProperty("kept_old", keptOld);
    RecordProperty("got_new", gotNew);
    RecordProperty("left_temporary", leftTemporary);
}

}  // namespace
}  // namespace vk::test

// A save killed at any moment leaves the vault whole: its old content or its new one, never a
// mix, and the next save leaves no temporary file behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "test_support.h"
#include "vault/vault_store.h"

namespace vk::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kEntries = 20000;  // about a megabyte: the save lasts a few milliseconds
constexpr int kKillsEach = 12;      // over the whole save, then where the file is replaced

std::wstring saveArguments(const TempFolder& folder, unsigned seed) {
    return L"--save-vault \"" + folder.path().native() + L"\" " + std::to_wstring(seed) + L" " +
           std::to_wstring(kEntries);
}

// How long a whole save of the new content takes here, from the child's word to its end.
Clock::duration timeOneSave(const TempFolder& folder) {
    ChildProgram child(saveArguments(folder, 2));
    if (!child.waitFor("saving")) return {};
    Clock::time_point started = Clock::now();
    if (!child.waitFor("saved")) return {};
    Clock::duration took = Clock::now() - started;
    child.wait();
    return took;
}

// Sleeping is too coarse for moments inside a save.
void spinFor(Clock::duration span) {
    for (auto end = Clock::now() + span; Clock::now() < end;) {
    }
}

TEST(KillDuringSave, TheVaultIsAlwaysTheOldOrTheNewContent) {
    TempFolder folder;
    const std::filesystem::path vault = vault::vaultPathIn(folder.path());
    const std::filesystem::path temporary = vault::temporaryPathFor(vault);
    const std::string oldContent = largeVault("master", kEntries, 1);
    const std::string newContent = largeVault("master", kEntries, 2);

    // The shorter of two saves: the first one may wait for a cold disk.
    writeFile(vault, oldContent);
    const Clock::duration wholeSave = std::min(timeOneSave(folder), timeOneSave(folder));
    ASSERT_GT(wholeSave.count(), 0);
    ASSERT_EQ(readFile(vault), newContent);
    writeFile(vault, oldContent);

    int keptOld = 0, gotNew = 0, caughtInside = 0;
    Clock::duration lastOld{}, firstNew = wholeSave * 2;
    auto killAt = [&](Clock::duration moment) {
        ChildProgram child(saveArguments(folder, 2));
        ASSERT_TRUE(child.waitFor("saving"));
        spinFor(moment);
        child.kill();
        std::string after = readFile(vault);
        ASSERT_TRUE(after == oldContent || after == newContent)
            << "killed " << std::chrono::duration_cast<std::chrono::microseconds>(moment).count()
            << " us into the save: " << after.size() << " bytes";
        if (after == oldContent) {
            ++keptOld;
            lastOld = std::max(lastOld, moment);
        } else {
            ++gotNew;
            firstNew = std::min(firstNew, moment);
        }
        if (pathExists(temporary)) ++caughtInside;

        // The next save starts afresh, whatever the kill left, and leaves nothing behind.
        vault::VaultStore store(vault::realFileSystem(), vault);
        ASSERT_TRUE(store.saveVault(oldContent).succeeded());
        EXPECT_FALSE(pathExists(temporary));
        EXPECT_EQ(readFile(vault), oldContent);
    };
    // Moments spread evenly over the save and a quarter past its end...
    for (int i = 0; i < kKillsEach; ++i) killAt(wholeSave * 5 * i / (4 * (kKillsEach - 1)));
    // ...then as many between the last that kept the old content and the first that found the
    // new one: around the replace.
    const Clock::duration from = std::min(lastOld, firstNew), to = std::max(lastOld, firstNew);
    for (int i = 0; i < kKillsEach; ++i) killAt(from + (to - from) * i / (kKillsEach - 1));

    // Kills really fell inside the save: between its temporary file's start and its replace.
    EXPECT_GT(caughtInside, 0);
    RecordProperty("kept_old", keptOld);
    RecordProperty("got_new", gotNew);
    RecordProperty("caught_inside", caughtInside);
}

}  // namespace
}  // namespace vk::test

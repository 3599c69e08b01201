// A save killed at any moment leaves the vault whole: its old content or its new one, never a
// mix, and the next save leaves no temporary file behind. So does a merge with another program's
// change, and a restore of an earlier version, with the versions they keep.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "test_support.h"
#include "vault/vault_store.h"
#include "vault/vault_versions.h"

namespace vk::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kEntries = 20000;  // about a megabyte: the save lasts a few milliseconds
constexpr int kKillsEach = 12;      // over the whole save, then where the file is replaced

// This test program, started as a child that works on the vault in a folder: it says `starting`
// when the work begins, and `over` when it is done.
struct ChildWork {
    std::wstring arguments;
    const char* starting;
    const char* over;
};

// How long the child's work takes here, from its word to its end; `prepare` puts the folder as the
// work finds it. The shorter of two runs: the first may wait for a cold disk.
Clock::duration timeWork(const ChildWork& work, const std::function<void()>& prepare) {
    Clock::duration shortest = Clock::duration::max();
    for (int run = 0; run < 2; ++run) {
        prepare();
        ChildProgram child(work.arguments);
        if (!child.waitFor(work.starting)) return {};
        Clock::time_point started = Clock::now();
        if (!child.waitFor(work.over)) return {};
        shortest = std::min(shortest, Clock::now() - started);
        child.wait();
    }
    return shortest;
}

// Sleeping is too coarse for moments inside a save: the last few milliseconds are spun. Before
// them the test sleeps, leaving the processor to the child, whose work may be long.
void spinFor(Clock::duration span) {
    const auto end = Clock::now() + span;
    constexpr auto kSpun = std::chrono::milliseconds(3);
    if (span > kSpun) Sleep(static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(span - kSpun).count()));
    while (Clock::now() < end) {
    }
}

// Kills the child at moments spread evenly over its work and a quarter past its end, then as many
// between the last that kept the old vault and the first that found the new one: around the replace.
// After each kill `judge` checks the folder and tells whether the vault is the new one; `temporary`
// is the copy a save writes beside the vault. Records how the kills fell, and returns it.
struct Kills {
    int keptOld = 0, gotNew = 0, caughtInside = 0;
};
Kills killThroughout(const ChildWork& work, Clock::duration whole, const std::function<void()>& prepare,
                     const std::function<bool()>& judge, const std::filesystem::path& temporary) {
    int keptOld = 0, gotNew = 0, caughtInside = 0;
    Clock::duration lastOld{}, firstNew = whole * 2;
    auto killAt = [&](Clock::duration moment) {
        prepare();
        ChildProgram child(work.arguments);
        ASSERT_TRUE(child.waitFor(work.starting));
        spinFor(moment);
        child.kill();
        if (pathExists(temporary)) ++caughtInside;
        SCOPED_TRACE(std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(moment).count()) +
                     " us into the work");
        if (judge()) {
            ++gotNew;
            firstNew = std::min(firstNew, moment);
        } else {
            ++keptOld;
            lastOld = std::max(lastOld, moment);
        }
    };
    for (int i = 0; i < kKillsEach; ++i) killAt(whole * 5 * i / (4 * (kKillsEach - 1)));
    const Clock::duration from = std::min(lastOld, firstNew), to = std::max(lastOld, firstNew);
    for (int i = 0; i < kKillsEach; ++i) killAt(from + (to - from) * i / (kKillsEach - 1));

    ::testing::Test::RecordProperty("kept_old", keptOld);
    ::testing::Test::RecordProperty("got_new", gotNew);
    ::testing::Test::RecordProperty("caught_inside", caughtInside);
    return {keptOld, gotNew, caughtInside};
}

TEST(KillDuringSave, TheVaultIsAlwaysTheOldOrTheNewContent) {
    TempFolder folder;
    const std::filesystem::path vault = vault::vaultPathIn(folder.path());
    const std::filesystem::path temporary = vault::temporaryPathFor(vault);
    const std::string oldContent = largeVault("master", kEntries, 1);
    const std::string newContent = largeVault("master", kEntries, 2);
    const ChildWork save{L"--save-vault \"" + folder.path().native() + L"\" 2 " + std::to_wstring(kEntries), "saving",
                         "saved"};
    auto prepare = [&] { writeFile(vault, oldContent); };

    const Clock::duration wholeSave = timeWork(save, prepare);
    ASSERT_GT(wholeSave.count(), 0);
    ASSERT_EQ(readFile(vault), newContent);
    const Kills kills = killThroughout(
        save, wholeSave, prepare,
        [&] {
            const std::string after = readFile(vault);
            EXPECT_TRUE(after == oldContent || after == newContent) << after.size() << " bytes";
            // The next save starts afresh, whatever the kill left, and leaves nothing behind.
            vault::VaultStore store(vault::realFileSystem(), vault);
            EXPECT_TRUE(store.saveVault(oldContent).succeeded());
            EXPECT_FALSE(pathExists(temporary));
            EXPECT_EQ(readFile(vault), oldContent);
            return after == newContent;
        },
        temporary);
    // Kills really fell inside the save: between its temporary file's start and its replace.
    EXPECT_GT(kills.caughtInside, 0);
}

// A merge of another program's change, and a restore, each keep the vault as it was as an earlier
// version, then save. Killed at any moment, the vault is the old or the new one, and every version
// kept is a whole copy of a vault.
TEST(KillDuringMergeOrRestore, TheVaultIsTheOldOrTheNewOneAndEveryVersionIsWhole) {
    const std::string base = largeVault("master", kEntries, 1);
    const std::string other = largeVault("master", kEntries, 2);
    const struct {
        const char* what;
        const wchar_t* arguments;
        std::string before;  // the vault as the work finds it
        std::string earlier;  // the version kept before the work, if any
    } cases[] = {
        {"a merge", L"--merge-vault", other, {}},
        {"a restore", L"--restore-vault", base, other},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::filesystem::path vault = vault::vaultPathIn(folder.path());
        const std::filesystem::path versions = folder.file("data.enc.versions");
        std::wstring arguments = std::wstring(c.arguments) + L" \"" + folder.path().native() + L"\"";
        if (c.earlier.empty()) arguments += L" " + std::to_wstring(kEntries);
        const ChildWork work{arguments, "working", "done"};
        auto prepare = [&] {
            std::filesystem::remove_all(versions);
            // The merge's child writes the other program's vault over this one itself.
            writeFile(vault, c.earlier.empty() ? base : c.before);
            if (c.earlier.empty()) return;
            std::filesystem::create_directory(versions);
            writeFile(versions / vault::versionFileName(1700000000, 1), c.earlier);
        };
        const Clock::duration whole = timeWork(work, prepare);
        ASSERT_GT(whole.count(), 0);
        const std::string after = readFile(vault);
        ASSERT_NE(after, c.before);
        const Kills kills = killThroughout(
            work, whole, prepare,
            [&] {
                const std::string now = readFile(vault);
                EXPECT_TRUE(now == c.before || now == after) << now.size() << " bytes";
                vault::Seconds keptAt = 0;
                unsigned sequence = 0;
                if (std::filesystem::is_directory(versions))
                    for (const auto& kept : std::filesystem::directory_iterator(versions)) {
                        if (!vault::parseVersionFileName(kept.path().filename().native(), keptAt, sequence)) continue;
                        const std::string bytes = readFile(kept.path());
                        EXPECT_TRUE(bytes == c.before || bytes == c.earlier) << kept.path() << ": " << bytes.size();
                    }
                return now == after;
            },
            vault::temporaryPathFor(vault));
        // Kills fell before the vault was replaced and after: around the whole work.
        EXPECT_GT(kills.keptOld, 0);
        EXPECT_GT(kills.gotNew, 0);
    }
}

}  // namespace
}  // namespace vk::test

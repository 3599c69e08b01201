// Earlier versions of the vault: kept before saves in a folder beside it, listed in File > Earlier
// Versions..., restored; and a save that cannot keep one still saves.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"
#include "vault/vault_versions.h"
#include "vault_samples.h"

namespace vk::test {
namespace {

using vault::Entry;
const Entry alice{"alice", "pw-a", "georgetown"}, bob{"bob", "pw-b", "www.example.com"}, carol{"carol", "pw-c", ""};
enum FileItem { kOptionsItem = 4, kEarlierVersionsItem = 6 };

std::filesystem::path versionsFolder(TestProgram& program) {
    return program.vaultPath().parent_path() / "data.enc.versions";
}

// The version files, newest first, by the times and sequences of their names.
std::vector<std::filesystem::path> versionFiles(TestProgram& program) {
    std::vector<std::pair<std::pair<vault::Seconds, unsigned>, std::filesystem::path>> named;
    if (!std::filesystem::is_directory(versionsFolder(program))) return {};
    for (const auto& file : std::filesystem::directory_iterator(versionsFolder(program))) {
        std::pair<vault::Seconds, unsigned> when{};
        EXPECT_TRUE(vault::parseVersionFileName(file.path().filename().native(), when.first, when.second));
        named.emplace_back(when, file.path());
    }
    std::sort(named.rbegin(), named.rend());
    std::vector<std::filesystem::path> files;
    for (const auto& [when, path] : named) files.push_back(path);
    return files;
}

// Makes a kept version look as if it was kept `hours` earlier than it was.
void makeOlder(const std::filesystem::path& version, int hours) {
    vault::Seconds keptAt = 0;
    unsigned sequence = 1;
    ASSERT_TRUE(vault::parseVersionFileName(version.filename().native(), keptAt, sequence));
    std::filesystem::rename(version, version.parent_path() / vault::versionFileName(keptAt - hours * 3600, sequence));
}

void addAndSave(TestProgram& program, const Entry& entry) {
    program->vault().addEntry(entry);
    ASSERT_TRUE(program->vault().save(program->mainWindow().hwnd()));
    pumpPending();  // the status line's notes
}

void chooseFileItem(TestProgram& program, FileItem item) {
    SendMessageW(program->mainWindow().hwnd(), WM_COMMAND,
                 MAKEWPARAM(MainWindow::menuItemId(MainWindow::FileMenu, item), 0), 0);
    pumpPending();
}

// The dialog's rows as the list view shows them: when each was kept, and its entries.
std::vector<std::pair<std::string, std::string>> shownVersions(TestProgram& program) {
    HWND list = program->earlierVersionsDialog().control(EarlierVersionsDialog::VersionList)->hwnd();
    std::vector<std::pair<std::string, std::string>> rows;
    for (int row = 0; row < listCount(list); ++row) rows.emplace_back(listText(list, row, 0), listText(list, row, 1));
    return rows;
}

TEST(EarlierVersions, AreKeptOnceAnHourAndSessionAsTheOptionsSayListedAndRestored) {
    TestProgram first;
    first.writeVault("master", {alice});
    const std::string original = first.vaultBytes();
    first.logIn("master");
    addAndSave(first, bob);
    const std::string withBob = first.vaultBytes();
    addAndSave(first, carol);  // the same session within the hour: no second version
    ASSERT_EQ(versionFiles(first).size(), 1u);
    EXPECT_EQ(readFile(versionFiles(first)[0]), original);

    // The newest kept more than an hour ago, then by another session: a version each.
    makeOlder(versionFiles(first)[0], 2);
    addAndSave(first, {"dave", "pw-d", ""});
    ASSERT_EQ(versionFiles(first).size(), 2u);
    EXPECT_EQ(vault::entriesOf(readFile(versionFiles(first)[0])), (std::vector<Entry>{alice, bob, carol}));
    TestProgram second(first.folder().path());
    second.logIn("master");
    const std::string beforeSecond = second.vaultBytes();
    second->vault().removeEntry(second->vaultSession().entries().idAt(3));
    ASSERT_TRUE(second->vault().save(second->mainWindow().hwnd()));
    ASSERT_EQ(versionFiles(second).size(), 3u);
    EXPECT_EQ(readFile(versionFiles(second)[0]), beforeSecond);

    // Keep 2: the oldest goes at the next version kept.
    chooseFileItem(second, kOptionsItem);
    setText(second->optionsDialog().control(OptionsDialog::VersionsBox), "2");
    click(second->optionsDialog().control(OptionsDialog::OkButton));
    EXPECT_EQ(second->options().versionsKept, 2);
    makeOlder(versionFiles(second)[0], 3);
    addAndSave(second, {"erin", "pw-e", ""});
    ASSERT_EQ(versionFiles(second).size(), 2u);
    // A file in the folder that only looks like a version is listed as unreadable, last.
    writeFile(versionsFolder(second) / L"2001-01-01 00-00-00 UTC.enc", "not a vault");

    chooseFileItem(second, kEarlierVersionsItem);
    ASSERT_TRUE(second->earlierVersionsDialog().visible());
    const auto rows = shownVersions(second);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].second, "3 entries");
    EXPECT_EQ(rows[1].second, "3 entries");
    EXPECT_EQ(rows[2].second, "Cannot be read: not a vault");  // the oldest, last

    MessageBoxes boxes;
    boxes.answer(IDOK);  // the unreadable one is never restored
    second->earlierVersionsDialog().selectRow(2);
    click(second->earlierVersionsDialog().control(EarlierVersionsDialog::RestoreButton));
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "This version cannot be read, so it cannot be restored: Cannot be read: not a vault");

    // Restore asks, keeps the vault as it is, and shows the version.
    const std::string beforeRestore = second.vaultBytes();
    boxes.answer(IDYES);
    second->earlierVersionsDialog().selectRow(1);
    const std::vector<Entry> restored = vault::entriesOf(readFile(versionFiles(second)[1]));
    click(second->earlierVersionsDialog().control(EarlierVersionsDialog::RestoreButton));
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_NE(boxes.seen()[1].text.find("Restore the vault as it was on " + rows[1].first + " (3 entries)?"),
              std::string::npos)
        << boxes.seen()[1].text;
    EXPECT_FALSE(second->earlierVersionsDialog().isLoaded());
    EXPECT_EQ(shownEntries(second->mainWindow().entryList.hwnd()), restored);
    EXPECT_EQ(vault::entriesOf(second.vaultBytes()), restored);
    EXPECT_EQ(readFile(versionFiles(second)[0]), beforeRestore);
    EXPECT_EQ(second->mainWindow().statusText().rfind("Restored the vault as it was on " + rows[1].first, 0), 0u)
        << second->mainWindow().statusText();
    EXPECT_EQ(boxes.unexpected(), 0);
}

// Keeping a version never stops a save: the status line says once why none was kept.
TEST(EarlierVersions, ASaveThatCannotKeepAVersionStillSavesAndSaysWhyOnce) {
    TestProgram program;
    program.writeVault("master", {alice});
    program.logIn("master");
    writeFile(versionsFolder(program), "a file where the folder would be");
    addAndSave(program, bob);
    EXPECT_EQ(vault::entriesOf(program.vaultBytes()), (std::vector<Entry>{alice, bob}));
    const std::string status = program->mainWindow().statusText();
    EXPECT_NE(status.find("No earlier version of the vault could be kept: " + systemReason(ERROR_ALREADY_EXISTS)),
              std::string::npos)
        << status;
    addAndSave(program, carol);
    EXPECT_EQ(vault::entriesOf(program.vaultBytes()), (std::vector<Entry>{alice, bob, carol}));
    EXPECT_EQ(program->mainWindow().statusText().find("earlier version"), std::string::npos)
        << program->mainWindow().statusText();
    // What a copy killed on its way left goes at the next version kept.
    std::filesystem::remove(versionsFolder(program));
    std::filesystem::create_directory(versionsFolder(program));
    const std::filesystem::path leftover = versionsFolder(program) / L"2020-01-01 00-00-00 UTC.enc.tmp";
    writeFile(leftover, "");
    addAndSave(program, {"dave", "pw-d", ""});
    EXPECT_FALSE(pathExists(leftover));
    ASSERT_EQ(versionFiles(program).size(), 1u);
    EXPECT_EQ(vault::entriesOf(readFile(versionFiles(program)[0])), (std::vector<Entry>{alice, bob, carol}));
}

}  // namespace
}  // namespace vk::test

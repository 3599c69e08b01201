// Saves that meet a file held by another program, a read-only vault, a full disk or a folder that
// cannot be written: the old vault stays as it was, the user is told what failed and where, the
// list keeps the change, and the next save once the cause is gone writes everything.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "test_support.h"
#include "vault_samples.h"
#include "platform/text.h"

namespace vk::test {
namespace {

const std::vector<vault::Entry> kEntries = {{"alice", "pw1", "georgetown"}, {"bob", "pw2", "www.example.com"}};
const vault::Entry kNewEntry{"carol", "pw3", "intranet"};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A folder prepared by the faulty-folders script, named by an environment variable.
std::optional<std::filesystem::path> preparedFolder(const wchar_t* variable) {
    wchar_t value[MAX_PATH] = L"";
    DWORD length = GetEnvironmentVariableW(variable, value, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    return std::filesystem::path(value);
}

// Asks the script to change the folder, and waits until it has.
void askScript(const std::filesystem::path& control, const wchar_t* request, const wchar_t* done) {
    writeFile(control / request, "");
    for (int waited = 0; waited < 20000 && !pathExists(control / done); waited += 50) Sleep(50);
    ASSERT_TRUE(pathExists(control / done)) << "the script did not answer";
    DeleteFileW((control / done).c_str());
}

// Fills the folder's disk to the last byte with one file, and returns that file.
std::filesystem::path fillToTheLastByte(const std::filesystem::path& folder) {
    std::filesystem::path filler = folder / L"filler.bin";
    FileHandle file(CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    std::string block(4096, 'x');
    DWORD written = 0;
    for (size_t size = block.size(); file && size > 0; size /= 2)
        while (WriteFile(file.get(), block.data(), static_cast<DWORD>(size), &written, nullptr) && written == size) {
        }
    return filler;
}

// Each test starts a program of its own, in its own folder or in one the script prepared.
class SaveFaultTest : public ::testing::Test {
protected:
    // Logs in to a vault of kEntries and adds kNewEntry to the list, not saved yet.
    void start(TestProgram& program) {
        program.writeVault("master", kEntries);
        oldBytes = program.vaultBytes();
        program.logIn("master");
        program->vault().addEntry(kNewEntry);
    }

    // Saves with the first attempt failing: inside that box, removes the cause and checks that
    // nothing was lost; then answers Retry, which must save everything.
    void expectFailureThenRetrySucceeds(TestProgram& program, DWORD reasonCode,
                                        const std::function<void()>& removeCause) {
        MessageBoxes boxes;
        boxes.answerAfter(IDRETRY, [&] {
            removeCause();
            EXPECT_EQ(program.vaultBytes(), oldBytes);
            EXPECT_FALSE(pathExists(vault::temporaryPathFor(program.vaultPath())));
        });
        EXPECT_TRUE(program->vault().save(program->mainWindow().hwnd()));
        ASSERT_EQ(boxes.seen().size(), 1u);
        const SeenBox& box = boxes.seen()[0];
        EXPECT_TRUE(box.hasRetry && box.hasCancel);
        EXPECT_TRUE(contains(box.text, displayText(program.vaultPath().native()))) << box.text;
        EXPECT_TRUE(contains(box.text, systemReason(reasonCode))) << box.text;
        expectEverythingSaved(program);
    }

    // Saves once with the cause still there, and chooses Cancel. A held vault cannot be read
    // meanwhile; its bytes are checked once it is let go.
    void expectFailureKeepsTheChange(TestProgram& program, DWORD reasonCode, bool vaultReadable = true) {
        MessageBoxes boxes;
        boxes.answer(IDCANCEL);
        EXPECT_FALSE(program->vault().save(program->mainWindow().hwnd()));
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_TRUE(contains(boxes.seen()[0].text, systemReason(reasonCode))) << boxes.seen()[0].text;
        if (vaultReadable) {
            EXPECT_EQ(program.vaultBytes(), oldBytes);
        }
        EXPECT_FALSE(pathExists(vault::temporaryPathFor(program.vaultPath())));
        EXPECT_TRUE(program->vaultSession().hasUnsavedChanges());
        EXPECT_EQ(program->vaultSession().entries().count(), 3u);
        EXPECT_TRUE(contains(program->mainWindow().statusText(), "Not saved"));
    }

    void expectEverythingSaved(TestProgram& program) {
        std::vector<vault::Entry> saved = vault::entriesOf(program.vaultBytes());
        std::vector<vault::Entry> all = kEntries;
        all.push_back(kNewEntry);
        EXPECT_EQ(saved, all);
        EXPECT_FALSE(program->vaultSession().hasUnsavedChanges());
        EXPECT_TRUE(contains(program->mainWindow().statusText(), "Saved "));
    }

    std::string oldBytes;
};

TEST_F(SaveFaultTest, AVaultHeldByAnotherProgramIsReportedAndSavedOnceLetGo) {
    TestProgram program;
    start(program);
    std::optional<HeldByAnotherProcess> holder(std::in_place, program.vaultPath());
    ASSERT_TRUE(holder->held());
    expectFailureKeepsTheChange(program, ERROR_SHARING_VIOLATION, false);
    expectFailureThenRetrySucceeds(program, ERROR_SHARING_VIOLATION, [&] { holder.reset(); });
}

TEST_F(SaveFaultTest, AReadOnlyVaultIsReportedAndSavedOnceWritable) {
    TestProgram program;
    start(program);
    ASSERT_TRUE(SetFileAttributesW(program.vaultPath().c_str(), FILE_ATTRIBUTE_READONLY));
    expectFailureKeepsTheChange(program, ERROR_ACCESS_DENIED);
    expectFailureThenRetrySucceeds(program, ERROR_ACCESS_DENIED, [&] {
        SetFileAttributesW(program.vaultPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    });
}

// The next two need real folders made by tests/faults/faulty_folders.sh (a small tmpfs, made
// read-only on request); ctest runs them through it.
TEST_F(SaveFaultTest, AFullDiskKeepsTheOldVaultAndTheNextSaveWritesEverything) {
    auto folder = preparedFolder(L"VELLUMKEEP_FULL_FOLDER");
    if (!folder) GTEST_SKIP() << "run through tests/faults/faulty_folders.sh";
    TestProgram program(*folder);
    start(program);
    const std::filesystem::path filler = fillToTheLastByte(*folder);
    ASSERT_TRUE(pathExists(filler));
    expectFailureKeepsTheChange(program, ERROR_DISK_FULL);
    expectFailureThenRetrySucceeds(program, ERROR_DISK_FULL, [&] { DeleteFileW(filler.c_str()); });
}

// A first start on a full disk: the vault file is made but nothing fits in it. The message says so.
TEST_F(SaveFaultTest, AFullDiskAtTheFirstStartLeavesAnEmptyVaultAndSaysSo) {
    auto folder = preparedFolder(L"VELLUMKEEP_FULL_FOLDER");
    if (!folder) GTEST_SKIP() << "run through tests/faults/faulty_folders.sh";
    TestProgram program(*folder);
    DeleteFileW(program.vaultPath().c_str());  // left by a test before: this is a first start
    const std::filesystem::path filler = fillToTheLastByte(*folder);
    ASSERT_TRUE(pathExists(filler));
    MessageBoxes boxes;
    boxes.answer(IDOK);
    program.loadMainWindow();
    DeleteFileW(filler.c_str());
    ASSERT_EQ(boxes.seen().size(), 1u);
    const std::string& text = boxes.seen()[0].text;
    EXPECT_TRUE(contains(text, systemReason(ERROR_DISK_FULL))) << text;
    EXPECT_TRUE(contains(text, "empty (0 bytes)")) << text;
    EXPECT_FALSE(contains(text, "has not been changed")) << text;
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_TRUE(pathExists(program.vaultPath()));
    EXPECT_EQ(program.vaultBytes(), "");
}

TEST_F(SaveFaultTest, AFolderThatCannotBeWrittenIsReportedAndTheNextSaveWritesEverything) {
    auto folder = preparedFolder(L"VELLUMKEEP_READONLY_FOLDER");
    auto control = preparedFolder(L"VELLUMKEEP_FAULT_CONTROL");
    if (!folder || !control) GTEST_SKIP() << "run through tests/faults/faulty_folders.sh";
    TestProgram program(*folder);
    start(program);
    askScript(*control, L"make-readonly", L"readonly");
    MessageBoxes boxes;
    boxes.answer(IDCANCEL);
    EXPECT_FALSE(program->vault().save(program->mainWindow().hwnd()));
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_TRUE(contains(boxes.seen()[0].text, displayText(program.vaultPath().native()))) << boxes.seen()[0].text;
    // The reason of the first failure, not of the attempts made after it.
    EXPECT_TRUE(contains(boxes.seen()[0].text, systemReason(ERROR_ACCESS_DENIED))) << boxes.seen()[0].text;
    EXPECT_EQ(program.vaultBytes(), oldBytes);
    EXPECT_TRUE(program->vaultSession().hasUnsavedChanges());
    askScript(*control, L"make-writable", L"writable");
    EXPECT_TRUE(program->vault().save(program->mainWindow().hwnd()));
    expectEverythingSaved(program);
}

}  // namespace
}  // namespace vk::test

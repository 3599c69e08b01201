// The Windows test program. Besides running the tests it can play "another program" for them:
//   --hold-file PATH   opens PATH with no sharing, says "held" on stdout, and keeps it open until
//                      its standard input closes.
//   --save-vault FOLDER SEED COUNT
//                      says "saving", saves a vault of COUNT entries made from SEED into FOLDER as
//                      the program does, then says "saved" (a test may kill it on the way).
//   --merge-vault FOLDER COUNT
//                      logs in to the vault in FOLDER (master password "master") as the program
//                      does, adds an entry, writes the vault of COUNT entries made from seed 2 as
//                      another program would, says "working", merges and saves as the program
//                      does when it notices, then says "done" (a test may kill it on the way).
//   --restore-vault FOLDER
//                      logs in the same way, says "working", restores the newest earlier version
//                      as File > Earlier Versions... does, then says "done".
//   --export-slowly PATH
//                      runs the program and exports its entries to PATH through the File menu, says
//                      "writing" at the export's first write and waits there until its standard
//                      input closes (a test kills it on the way).
//   --keep-desktop     has Wine start its desktop process now, says "ready" on stdout, and keeps
//                      the desktop in use until its standard input closes (see scripts/test).
//   --start-copy FOLDER
//                      starts as the program does on the vault in FOLDER: says "first" and keeps
//                      its claim until its standard input closes, or says "handed over" when
//                      anything else holds that vault (a copy brought to the front, or, once its
//                      message is answered, any other holder) and ends.
// Started with VELLUMKEEP_TEST_START_REPORT set in its environment, it writes what it was started
// with (the window style asked for, then its arguments, one a line) into that file and ends.
// Copied and started as explorer.exe, it only waits to be ended.
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/vault_claim.h"
#include "platform/text.h"
#include "platform/window.h"
#include "test_support.h"
#include "vault/vault_store.h"

namespace {

void waitForInputToClose() {
    char buffer[16];
    while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
}

int holdFile(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    std::puts("held");
    std::fflush(stdout);
    waitForInputToClose();
    CloseHandle(file);
    return 0;
}

int saveVault(const char* folder, unsigned seed, size_t count) {
    std::string content = vk::test::largeVault("master", count, seed);
    vk::vault::VaultStore store(vk::vault::realFileSystem(), vk::vault::vaultPathIn(vk::widen(folder)));
    std::puts("saving");
    std::fflush(stdout);
    if (store.saveVault(content).failed()) return 3;
    std::puts("saved");
    std::fflush(stdout);
    return 0;
}

// Wine's desktop process takes the output handles of the program that first needs it and lives
// while any program uses the desktop: started by a test, it would keep that test's output open,
// and the test running for ctest, until the whole run pauses.
int keepDesktop() {
    GetDesktopWindow();
    std::puts("ready");
    std::fflush(stdout);
    waitForInputToClose();
    return 0;
}

std::wstring environmentValue(const wchar_t* name) {
    wchar_t value[MAX_PATH] = L"";
    DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

std::string reportOfStart() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    std::string report = "show ";
    report += (startup.dwFlags & STARTF_USESHOWWINDOW) ? std::to_string(startup.wShowWindow) : "unset";
    report += "\n";
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; i < count; ++i) report += vk::narrow(arguments[i]).text + "\n";
    LocalFree(arguments);
    return report;
}

// Written whole under another name first, so that the test never reads half a report.
int reportStart(const std::wstring& path) {
    std::wstring part = path + L".part";
    vk::test::writeFile(part, reportOfStart());
    return MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}

bool startedAsExplorer() {
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return lstrcmpiW(std::filesystem::path(self).filename().c_str(), L"explorer.exe") == 0;
}

void say(const char* word) {
    std::puts(word);
    std::fflush(stdout);
}

int mergeOrRestore(bool merge, const char* folder, size_t count) {
    OleInitialize(nullptr);
    vk::initializeWindowing();
    vk::test::MessageBoxWatch unexpectedBoxesFail;
    vk::test::MessageBoxes boxes;
    vk::test::TestProgram program{std::filesystem::path(vk::widen(folder))};
    program.logIn("master");
    vk::VaultController& vault = program->vault();
    const HWND owner = program->mainWindow().hwnd();
    if (merge) {
        vault.addEntry({"ours", "pw", "here"});
        program->vaultSession().markUnsaved();
        vk::test::writeFile(program.vaultPath(), vk::test::largeVault("master", count, 2));
        say("working");
        vault.checkVaultFile(owner);
    } else {
        boxes.answer(IDYES);
        const auto versions = vault.earlierVersions(owner);
        if (versions.empty()) return 7;
        say("working");
        if (!vault.restoreVersion(owner, versions.front())) return 8;
    }
    say(program->vaultSession().hasUnsavedChanges() ? "unsaved" : "done");
    return 0;
}

int startCopy(const char* folder) {
    auto claim = vk::claimVault(vk::vault::realFileSystem(), vk::widen(folder));
    std::puts(claim ? "first" : "handed over");
    std::fflush(stdout);
    if (claim) waitForInputToClose();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::wstring report = environmentValue(L"VELLUMKEEP_TEST_START_REPORT"); !report.empty())
        return reportStart(report);
    if (startedAsExplorer()) {
        Sleep(60000);
        return 5;
    }
    if (argc == 3 && std::strcmp(argv[1], "--hold-file") == 0) return holdFile(argv[2]);
    if (argc == 5 && std::strcmp(argv[1], "--save-vault") == 0)
        return saveVault(argv[2], static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)),
                         std::strtoul(argv[4], nullptr, 10));
    if (argc == 2 && std::strcmp(argv[1], "--keep-desktop") == 0) return keepDesktop();
    if (argc == 3 && std::strcmp(argv[1], "--start-copy") == 0) return startCopy(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "--merge-vault") == 0)
        return mergeOrRestore(true, argv[2], std::strtoul(argv[3], nullptr, 10));
    if (argc == 3 && std::strcmp(argv[1], "--restore-vault") == 0) return mergeOrRestore(false, argv[2], 0);
    OleInitialize(nullptr);
    vk::initializeWindowing();
    if (argc == 3 && std::strcmp(argv[1], "--export-slowly") == 0)
        return vk::test::exportUntilInputCloses(vk::widen(argv[2]));
    testing::InitGoogleTest(&argc, argv);
    vk::test::MessageBoxWatch unexpectedBoxesFail;
    return RUN_ALL_TESTS();
}

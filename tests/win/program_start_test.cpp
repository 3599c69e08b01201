// The real ways the program starts other programs, the command starter behind Go To and the shell
// opener behind the link launcher, each starting this test program, which reports what it got.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/program.h"
#include "platform/locations.h"
#include "test_support.h"

namespace vk::test {
namespace {

std::string thisProgram() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// While it lives, a copy of this test program started from here writes what it was started with
// into a file of its own instead of running the tests (see test_main.cpp).
class StartReport {
public:
    StartReport() : path_(folder_.path() / L"started.txt") {
        SetEnvironmentVariableW(kVariable, path_.c_str());
    }
    ~StartReport() { SetEnvironmentVariableW(kVariable, nullptr); }
    StartReport(const StartReport&) = delete;
    StartReport& operator=(const StartReport&) = delete;

    // The window style it was asked to use, then its arguments, one a line; empty if none came.
    std::string wait() {
        std::string report;
        pumpUntil([&] { return !(report = readFile(path_)).empty(); }, 30000);
        return report;
    }

private:
    static constexpr const wchar_t* kVariable = L"VELLUMKEEP_TEST_START_REPORT";
    TempFolder folder_;
    std::filesystem::path path_;
};

TEST(ProgramStart, TheCommandStarterHandsOverTheWholeLocationAndTheWindowStyle) {
    StartReport report;
    std::string location = "C:\\Caf\xE9 Files\\";
    std::optional<std::string> commandLine = goToCommandLine(location);
    ASSERT_TRUE(commandLine);
    ASSERT_TRUE(Environment::real().startProgram(thisProgram(), *commandLine, SW_SHOWMINIMIZED));
    EXPECT_EQ(report.wait(), "show 2\nexplorer\n" + location + "\n");
}

TEST(ProgramStart, TheShellOpenerOpensWhatItIsGivenWithTheWindowStyle) {
    StartReport report;
    Environment::real().shellOpen(thisProgram(), SW_SHOWNORMAL);
    EXPECT_EQ(report.wait(), "show 1\n" + thisProgram() + "\n");
}

}  // namespace
}  // namespace vk::test

// The link launcher linkLauncher behind the main window's "Visit" button: the address it opens,
// how long it stays, and that it is never seen.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace vk::test {
namespace {

using Opened = std::vector<std::pair<std::string, int>>;

class LinkLauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.writeVault("master", {{"alice", "pw", "georgetown"}});
        program.logIn("master");
    }

    MainWindow& form() { return program->mainWindow(); }
    LinkLauncher& launcher() { return program->linkLauncher(); }
    void visit() { click(form().control(MainWindow::WebsiteButton)); }
    // The launcher's timer runs out, as ten seconds after its load.
    void timerRunsOut() {
        ASSERT_TRUE(launcher().isLoaded());
        ASSERT_NE(launcher().timer(LinkLauncher::LifetimeTimer), nullptr);
        SendMessageW(launcher().hwnd(), WM_TIMER, launcher().timer(LinkLauncher::LifetimeTimer)->id(), 0);
    }
    // The host the version information names, as if the program had been built with another one.
    void brandWith(const std::string& host) { program->env().app.comments = host; }

    TestProgram program;
    MessageBoxes messageBoxes;
};

TEST_F(LinkLauncherTest, VisitOpensTheCompanySiteOnceWhileTheLauncherLives) {
    program->mainWindow().setStatusText("before");
    visit();
    EXPECT_EQ(program.openedAddresses(), (Opened{{"http://www.quorrindale.example", SW_SHOWNORMAL}}));
    EXPECT_TRUE(launcher().isLoaded());
    EXPECT_FALSE(launcher().visible());
    EXPECT_EQ(program->linkRequest(), "");
    ASSERT_NE(launcher().timer(LinkLauncher::LifetimeTimer), nullptr);
    EXPECT_EQ(launcher().timer(LinkLauncher::LifetimeTimer)->interval(), 10000u);
    EXPECT_TRUE(launcher().timer(LinkLauncher::LifetimeTimer)->enabled());

    // A second click while it is loaded opens nothing; the request waits for the next load.
    visit();
    EXPECT_EQ(program.openedAddresses().size(), 1u);
    EXPECT_EQ(program->linkRequest(), "Website");

    timerRunsOut();
    EXPECT_FALSE(launcher().isLoaded());
    visit();
    EXPECT_EQ(program.openedAddresses(),
              (Opened{{"http://www.quorrindale.example", SW_SHOWNORMAL},
                      {"http://www.quorrindale.example", SW_SHOWNORMAL}}));
    EXPECT_EQ(program->linkRequest(), "");

    launcher().onLifetimeTimer();
    EXPECT_FALSE(launcher().isLoaded());
    // Visiting is no change: the status line, the entries and the program stay as they were.
    EXPECT_EQ(form().statusText(), "before");
    EXPECT_TRUE(program.startedCommands().empty());
    EXPECT_EQ(program.endCount(), 0);
    EXPECT_TRUE(form().isLoaded());
    EXPECT_TRUE(messageBoxes.seen().empty());
}

TEST_F(LinkLauncherTest, AHostWithAWebSchemeAnywhereIsUsedAsItIs) {
    const std::pair<std::string, std::string> hosts[] = {
        {"shop.example", "http://shop.example"},
        {"http://shop.example", "http://shop.example"},
        {"HTTPS://Shop.Example", "HTTPS://Shop.Example"},
        {"go to hTTp://shop.example", "go to hTTp://shop.example"},
        {"https:/shop.example", "http://https:/shop.example"},
        {"", "http://"},
    };
    for (const auto& [host, address] : hosts) {
        SCOPED_TRACE(host);
        brandWith(host);
        visit();
        ASSERT_FALSE(program.openedAddresses().empty());
        EXPECT_EQ(program.openedAddresses().back(), std::make_pair(address, static_cast<int>(SW_SHOWNORMAL)));
        EXPECT_EQ(program->companyWebsite, host);  // read afresh at each load
        timerRunsOut();
    }
    EXPECT_EQ(program.openedAddresses().size(), std::size(hosts));
}

TEST_F(LinkLauncherTest, TheLauncherIsNeverVisibleNorInTheTaskBar) {
    visit();
    ASSERT_TRUE(launcher().isLoaded());
    HWND hwnd = launcher().hwnd();
    LONG exStyle = GetWindowLongW(hwnd, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
    EXPECT_FALSE(GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION);
    launcher().show();
    pumpFor(50);
    EXPECT_FALSE(IsWindowVisible(hwnd));

    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, launcher().toPixels(1830));
    EXPECT_EQ(client.bottom, launcher().toPixels(1605));
}

TEST_F(LinkLauncherTest, ALoadWithoutARequestOpensNothing) {
    program->linkRequest() = "website";  // compared exactly
    launcher().load();
    EXPECT_TRUE(program.openedAddresses().empty());
    EXPECT_EQ(program->linkRequest(), "website");
    launcher().onLifetimeTimer();
    EXPECT_FALSE(launcher().isLoaded());
}

TEST_F(LinkLauncherTest, ClosingTheMainWindowUnloadsAStillLoadedLauncher) {
    visit();
    ASSERT_TRUE(launcher().isLoaded());
    SendMessageW(form().hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(launcher().isLoaded());
    EXPECT_EQ(program.endCount(), 1);
    EXPECT_EQ(program.openedAddresses().size(), 1u);
}

}  // namespace
}  // namespace vk::test

// Start-up: branding from the real version resource, the splash window and its hand-over.
#include <gtest/gtest.h>

#include <cstring>

#include "app/vault_claim.h"
#include "platform/app_info.h"
#include "platform/picture.h"
#include "platform/text.h"
#include "platform/twips.h"
#include "skin/skin_support.h"
#include "test_support.h"
#include "windows/about_box.h"

namespace vk::test {
namespace {

TEST(Branding, ComesFromTheProgramsOwnVersionResource) {
    AppInfo info = readAppInfo();
    EXPECT_EQ(info.productName, "Vellumkeep");
    EXPECT_EQ(info.companyName, "Quorrindale");
    EXPECT_EQ(info.comments, "www.quorrindale.example");
    EXPECT_EQ(info.title, "Vellumkeep Full");
    EXPECT_EQ(info.major, 1);
    EXPECT_EQ(info.minor, 0);

    TestProgram program;
    program->applyBranding();
    EXPECT_EQ(program->productName, "Vellumkeep");
    EXPECT_EQ(program->companyName, "Quorrindale");
    EXPECT_EQ(program->companyWebsite, "www.quorrindale.example");
    EXPECT_TRUE(program->skinEnabled);
    program->applyBranding();  // again, as the link launcher does: the same values
    EXPECT_EQ(program->productName, "Vellumkeep");
}

TEST(Branding, ExecutableFolderHoldsTheRunningProgram) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::filesystem::path folder = executableFolder();
    EXPECT_EQ(folder, std::filesystem::path(exe).parent_path());
    EXPECT_NE(folder.native().back(), L'\\');
}

TEST(Splash, IsABorderlessPictureOutOfTheTaskBarCentredOnTheScreen) {
    TestProgram program;
    SplashWindow& splash = program->splashWindow();
    splash.show();
    ASSERT_TRUE(splash.isLoaded());
    RECT r{};
    GetWindowRect(splash.hwnd(), &r);
    EXPECT_EQ(r.right - r.left, splash.toPixels(7170));
    EXPECT_EQ(r.bottom - r.top, splash.toPixels(4770));
    if (splash.dpi() == 96) {
        EXPECT_EQ(r.right - r.left, 478);
        EXPECT_EQ(r.bottom - r.top, 318);
    }
    LONG style = GetWindowLongW(splash.hwnd(), GWL_STYLE);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(GetWindowLongW(splash.hwnd(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_NEAR((r.left + r.right) / 2, (area.left + area.right) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, (area.top + area.bottom) / 2, 1);
    EXPECT_TRUE(splash.visible());
    // The picture is decoded from the embedded JPEG.
    auto bitmap =
        reinterpret_cast<HBITMAP>(SendMessageW(splash.control(SplashWindow::Picture)->hwnd(), STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info{};
    ASSERT_TRUE(bitmap && GetObjectW(bitmap, sizeof info, &info));
    EXPECT_EQ(info.bmWidth, splash.toPixels(7170));
}

// At 96, 144 and 192 DPI the splash and the about box's header draw a picture made at the size
// they show, instead of stretching a smaller one.
TEST(Artwork, EachDpiHasAPictureDrawnAtItsSize) {
    for (int dpi : {96, 144, 192}) {
        SIZE splash = pictureResourceSize(pictureResourceFor(SplashWindow::kPicture, dpi));
        EXPECT_EQ(splash.cx, twipsToPixels(SplashWindow::kPictureWidth, dpi)) << dpi << " DPI";
        EXPECT_EQ(splash.cy, twipsToPixels(SplashWindow::kPictureHeight, dpi)) << dpi << " DPI";
        SIZE header = pictureResourceSize(pictureResourceFor(AboutBox::kHeaderPicture, dpi));
        EXPECT_EQ(header.cx, twipsToPixels(7515, dpi)) << dpi << " DPI";
        EXPECT_EQ(header.cy, twipsToPixels(1035, dpi)) << dpi << " DPI";
    }
}

TEST(Splash, HandsOverToTheMainWindowOnTheSeventyFifthTickOnly) {
    TestProgram program;
    program.writeVault("secret");
    SplashWindow& splash = program->splashWindow();
    splash.load();
    // Driven tick by tick, as the timer would.
    splash.timer(SplashWindow::HandOverTimer)->setEnabled(false);
    splash.timer(SplashWindow::HandOverTimer)->setEnabled(true);
    for (int tick = 1; tick <= 74; ++tick) {
        splash.onHandOverTimer();
        ASSERT_FALSE(program->mainWindow().isLoaded()) << "tick " << tick;
    }
    EXPECT_EQ(splash.ticks(), 74);
    splash.onHandOverTimer();
    EXPECT_EQ(splash.ticks(), 75);
    EXPECT_TRUE(program->mainWindow().isLoaded());
    EXPECT_FALSE(splash.timer(SplashWindow::HandOverTimer)->enabled());
    EXPECT_TRUE(splash.isLoaded());
    EXPECT_FALSE(splash.visible());
    EXPECT_TRUE(program->passwordDialog().isLoaded());
    EXPECT_FALSE(program->passwordDialog().creatingPassword());  // the vault holds a password
}

TEST(Splash, TimerRunsTheHandOverExactlyOnce) {
    TestProgram program;
    program.app().start();
    EXPECT_TRUE(program->splashWindow().visible());
    ASSERT_TRUE(pumpUntil([&] { return program->mainWindow().isLoaded(); }));
    HWND first = program->mainWindow().hwnd();
    EXPECT_EQ(program->splashWindow().ticks(), 75);
    pumpFor(100);
    EXPECT_EQ(program->splashWindow().ticks(), 75);
    EXPECT_EQ(program->mainWindow().hwnd(), first);
    // No vault beside the program: a Fresh one is made and a new password is asked for.
    EXPECT_EQ(program.vaultBytes(), "\r\n");
    EXPECT_TRUE(program->passwordDialog().creatingPassword());
    EXPECT_TRUE(program->passwordDialog().visible());
}

TEST(Splash, BindsTheSkinAndStartsItsSupportObject) {
    TestProgram program;
    program->splashWindow().load();
    EXPECT_EQ(program->skin, &program->splashWindow().skin);
    ASSERT_EQ(program.skinSupport().calls, (std::vector<int>{2, 5}));
    EXPECT_EQ(program.skinSupport().extender, program->splashWindow().skin.extender());
    ASSERT_FALSE(program->splashWindow().skin.recordedSkinnedWindows().empty());
    EXPECT_EQ(program->splashWindow().skin.recordedSkinnedWindows().front(), program->splashWindow().hwnd());
}

// Two copies on one vault would overwrite each other: a second start, on the same vault however its
// folder is spelled, brings the first copy forward and ends; a copy on another vault starts.
TEST(OneCopyPerVault, ASecondStartBringsTheFirstForwardAndEnds) {
    TestProgram program;
    program.writeVault("master", {{"alice", "pw1", "georgetown"}});
    const std::string bytes = program.vaultBytes();
    program.logIn("master");
    auto claim = claimVault(vault::realFileSystem(), program.folder().path().native());
    ASSERT_TRUE(claim);
    HWND form = program->mainWindow().hwnd();
    ShowWindow(form, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(form));

    std::wstring otherSpelling = program.folder().path().native() + L"\\.";
    CharUpperBuffW(otherSpelling.data(), static_cast<DWORD>(otherSpelling.size()));
    ChildProgram second(L"--start-copy \"" + otherSpelling + L"\"");
    EXPECT_TRUE(pumpUntil([&] { return !IsIconic(form); }, 20000)) << "the first copy was not brought forward";
    EXPECT_TRUE(second.waitFor("handed over"));
    EXPECT_TRUE(second.wait());
    EXPECT_EQ(program.vaultBytes(), bytes);

    // Another name of the same file (a hard link beside another copy of the program) is the same
    // vault; the file seen at start stays claimed after a save has put a new one under the first name.
    TempFolder linked;
    ASSERT_TRUE(CreateHardLinkW((linked / L"data.enc").c_str(), program.vaultPath().c_str(), nullptr));
    for (bool saved : {false, true}) {
        if (saved) {
            ASSERT_TRUE(vault::VaultStore(vault::realFileSystem(), program.vaultPath()).saveVault(bytes).succeeded());
        }
        ShowWindow(form, SW_MINIMIZE);
        ChildProgram throughLink(L"--start-copy \"" + linked.path().native() + L"\"");
        EXPECT_TRUE(pumpUntil([&] { return !IsIconic(form); }, 20000)) << "not found by the link; saved: " << saved;
        EXPECT_TRUE(throughLink.waitFor("handed over"));
    }

    TempFolder elsewhere;
    writeFile(elsewhere / L"data.enc", bytes);  // another file: a claim of its own
    ChildProgram beside(L"--start-copy \"" + elsewhere.path().native() + L"\"");
    EXPECT_TRUE(beside.waitFor("first"));
    beside.closeInput();
    EXPECT_TRUE(beside.wait());
}

// A claim held by anything but a running copy of the program (here this test, with a window of
// another class): a second start neither runs beside it nor brings it forward, and says why.
TEST(OneCopyPerVault, AStartOnAVaultThatAnotherProgramHoldsSaysSoAndEnds) {
    TempFolder folder;
    auto claim = claimVault(vault::realFileSystem(), folder.path().native());
    ASSERT_TRUE(claim);
    HWND other = CreateWindowExW(0, L"STATIC", L"Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300,
                                 200, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(other, SW_MINIMIZE);

    ChildProgram second(L"--start-copy \"" + folder.path().native() + L"\"");
    const std::string vaultPath = displayText(vault::vaultPathIn(folder.path().native()));
    HWND box = nullptr;
    char text[1024] = "", title[64] = "";
    ASSERT_TRUE(pumpUntil([&] {
        for (box = nullptr; (box = FindWindowExW(nullptr, box, L"#32770", nullptr));)
            if (GetDlgItemTextA(box, 0xFFFF, text, sizeof text) && std::strstr(text, vaultPath.c_str())) return true;
        return false;
    }, 20000)) << "no message named the vault";
    GetWindowTextA(box, title, sizeof title);
    EXPECT_EQ(std::string(title), "Vellumkeep Full");
    EXPECT_TRUE(std::strstr(text, "Another program is using this vault")) << text;
    EXPECT_TRUE(IsIconic(other)) << "another program was brought forward";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(second.waitFor("handed over"));
    DestroyWindow(other);
}

// The claim's name taken by an object of another kind (here an event): the start must not run
// unclaimed beside whatever made it, and says why.
TEST(OneCopyPerVault, ANameTakenByAnotherKindOfObjectIsNoClaimForThisCopy) {
    TempFolder folder;
    const vault::Path vaultPath = vault::vaultPathIn(folder.path().native());
    const std::wstring name = L"Local\\Vellumkeep." + vaultPathKey(vault::realFileSystem(), vaultPath);
    KernelHandle squatter(CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
    ASSERT_TRUE(squatter);
    MessageBoxes boxes;
    boxes.answer(IDOK);
    EXPECT_FALSE(claimVault(vault::realFileSystem(), folder.path().native()));
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_NE(boxes.seen()[0].text.find("Another program is using this vault"), std::string::npos);
}

}  // namespace
}  // namespace vk::test

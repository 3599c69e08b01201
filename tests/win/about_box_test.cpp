// The about box: what it shows, its frame, and the skinned twins laid over its plain labels.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/app_info.h"
#include "skin/skin_control.h"
#include "test_support.h"

namespace vk::test {
namespace {


// Where a child window stands among its siblings: 0 is the top of the z-order.
int zPosition(HWND child) {
    int position = 0;
    for (HWND sibling = GetWindow(GetParent(child), GW_CHILD); sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
        if (sibling == child) return position;
        ++position;
    }
    return -1;
}

LOGFONTW fontOf(HWND control) {
    LOGFONTW font{};
    auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (handle) GetObjectW(handle, sizeof font, &font);
    return font;
}

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The splash binds the skin; its hand-over timer is not needed here.
        program->splashWindow().load();
        program->splashWindow().timer(SplashWindow::HandOverTimer)->setEnabled(false);
        program.writeVault("master");
        program.logIn("master");
    }

    AboutBox& box() { return program->aboutBox(); }

    void chooseAbout() {
        SendMessageW(program->mainWindow().hwnd(), WM_COMMAND,
                     MAKEWPARAM(MainWindow::menuItemId(MainWindow::AboutMenu, 0), 0), 0);
    }

    // The template of the twins and the twins, in collection order.
    std::vector<Control*> skinLabelElements() {
        std::vector<Control*> elements;
        for (const auto& control : box().controls())
            if (control->id() >= AboutBox::TwinLabel) elements.push_back(control.get());
        return elements;
    }

    // Each element's place after the template: 0 for the template, then the twins from 1.
    std::vector<int> skinLabelIndexes() {
        std::vector<int> indexes;
        for (Control* element : skinLabelElements()) indexes.push_back(element->id() - AboutBox::TwinLabel);
        return indexes;
    }

    std::vector<Control*> plainLabels() {
        return {box().control(AboutBox::VersionCaption), box().control(AboutBox::OwnerCaption),
                box().control(AboutBox::WebsiteCaption)};
    }

    TestProgram program;
};

TEST_F(AboutBoxTest, AboutCommandShowsNameVersionOwnerAndSiteUnderTheHeader) {
    chooseAbout();
    ASSERT_TRUE(box().visible());
    EXPECT_EQ(box().caption(), "About Vellumkeep");
    EXPECT_EQ(box().control(AboutBox::ProductLabel)->text(), "Vellumkeep");
    AppInfo info = readAppInfo();
    EXPECT_EQ(box().control(AboutBox::VersionLabel)->text(), versionText(info.major, info.minor));
    EXPECT_EQ(box().control(AboutBox::VersionLabel)->text(), "1.0");
    EXPECT_EQ(box().control(AboutBox::CompanyLabel)->text(), "Quorrindale");
    EXPECT_EQ(box().control(AboutBox::WebsiteLabel)->text(), "www.quorrindale.example");
    EXPECT_EQ(box().control(AboutBox::VersionCaption)->text(), "Version:");
    EXPECT_EQ(box().control(AboutBox::OwnerCaption)->text(), "Owned By:");
    EXPECT_EQ(box().control(AboutBox::WebsiteCaption)->text(), "Website:");
    const std::string credits = box().control(AboutBox::CreditsLabel)->text();
    for (const char* named : {"EFF's Large Wordlist", "CC BY 3.0 US", "zxcvbn-ts", "MIT", "OpenSubtitles", "ODC-BY"})
        EXPECT_NE(credits.find(named), std::string::npos) << named;

    LONG style = GetWindowLongW(box().hwnd(), GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_FALSE(GetWindowLongW(box().hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    auto header = reinterpret_cast<HBITMAP>(
        SendMessageW(box().control(AboutBox::HeaderPicture)->hwnd(), STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP bitmap{};
    ASSERT_TRUE(header && GetObjectW(header, sizeof bitmap, &bitmap));
    EXPECT_EQ(bitmap.bmWidth, box().toPixels(7515));
    EXPECT_EQ(bitmap.bmHeight, box().toPixels(1035));

    LOGFONTW title = fontOf(box().control(AboutBox::ProductLabel)->hwnd());
    EXPECT_STREQ(title.lfFaceName, L"Verdana");
    EXPECT_EQ(title.lfWeight, FW_BOLD);
    EXPECT_GT(std::abs(title.lfHeight), std::abs(fontOf(box().control(AboutBox::VersionLabel)->hwnd()).lfHeight));

    // Skinned last: the header takes the panel colour, and the skin control draws the box.
    const auto& skinned = program->splashWindow().skin.recordedSkinnedWindows();
    EXPECT_NE(std::find(skinned.begin(), skinned.end(), box().hwnd()), skinned.end());
    EXPECT_EQ(box().control(AboutBox::HeaderPicture)->backColor(), RGB(235, 235, 235));
}

TEST_F(AboutBoxTest, EachPlainLabelGetsOneSkinnedTwinLyingOverIt) {
    chooseAbout();
    ASSERT_TRUE(box().isLoaded());
    std::vector<Control*> elements = skinLabelElements();
    ASSERT_EQ(skinLabelIndexes(), (std::vector<int>{0, 1, 2, 3}));
    // Element 0, the template, lies below the client area, out of sight.
    RECT client{};
    GetClientRect(box().hwnd(), &client);
    EXPECT_GE(placeOf(elements[0]->hwnd()).top, client.bottom);
    EXPECT_EQ(elements[0]->text(), "Windowed Label");
    EXPECT_EQ(placeOf(elements[0]->hwnd()),
              (PixelRect{box().toPixels(480), box().toPixels(3675), box().toPixels(555), box().toPixels(195)}));

    std::vector<Control*> labels = plainLabels();
    for (size_t i = 0; i < labels.size(); ++i) {
        Control* label = labels[i];
        Control* twin = elements[i + 1];
        SCOPED_TRACE(label->text());
        EXPECT_EQ(twin->kind(), ControlKind::SkinLabel);
        EXPECT_EQ(twin->text(), label->text());
        EXPECT_EQ(placeOf(twin->hwnd()), placeOf(label->hwnd()));
        EXPECT_EQ(SendMessageW(twin->hwnd(), WM_GETFONT, 0, 0), SendMessageW(label->hwnd(), WM_GETFONT, 0, 0));
        EXPECT_STREQ(fontOf(twin->hwnd()).lfFaceName, L"Verdana");
        EXPECT_EQ(fontOf(twin->hwnd()).lfWeight, FW_BOLD);
        EXPECT_TRUE(IsWindowVisible(twin->hwnd()));
        EXPECT_TRUE(label->visible());
        EXPECT_LT(zPosition(twin->hwnd()), zPosition(label->hwnd()));
    }
    // Skinned labels are not cloned: no twin carries the text of one.
    for (Control* element : elements)
        for (Control* skinnedLabel : {box().control(AboutBox::ProductLabel), box().control(AboutBox::VersionLabel),
                                      box().control(AboutBox::CompanyLabel), box().control(AboutBox::WebsiteLabel)})
            EXPECT_NE(element->text(), skinnedLabel->text());
}

TEST_F(AboutBoxTest, ReopeningMakesTheTwinsAgainAndASecondCommandMakesNoMore) {
    chooseAbout();
    HWND first = box().hwnd();
    chooseAbout();
    EXPECT_EQ(box().hwnd(), first);
    EXPECT_TRUE(box().visible());
    EXPECT_EQ(skinLabelIndexes(), (std::vector<int>{0, 1, 2, 3}));

    SendMessageW(box().hwnd(), WM_CLOSE, 0, 0);
    ASSERT_FALSE(box().isLoaded());
    EXPECT_FALSE(IsWindow(first));
    chooseAbout();
    ASSERT_TRUE(box().visible());
    EXPECT_EQ(skinLabelIndexes(), (std::vector<int>{0, 1, 2, 3}));
    std::vector<Control*> elements = skinLabelElements();
    std::vector<Control*> labels = plainLabels();
    for (size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(elements[i + 1]->text(), labels[i]->text());
        EXPECT_EQ(placeOf(elements[i + 1]->hwnd()), placeOf(labels[i]->hwnd()));
        EXPECT_LT(zPosition(elements[i + 1]->hwnd()), zPosition(labels[i]->hwnd()));
    }
    // Each child window of the box belongs to one control: no twin of an earlier load lingers.
    int children = 0;
    for (HWND child = GetWindow(box().hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++children;
    EXPECT_EQ(children, static_cast<int>(box().controls().size()));
}

TEST_F(AboutBoxTest, WithSkinningOffThePlainLabelsStandAlone) {
    program->skinEnabled = false;
    chooseAbout();
    ASSERT_TRUE(box().visible());
    EXPECT_EQ(skinLabelIndexes(), (std::vector<int>{0}));
    for (Control* label : plainLabels()) EXPECT_TRUE(IsWindowVisible(label->hwnd()));
    EXPECT_EQ(box().control(AboutBox::VersionLabel)->text(), "1.0");
    const auto& skinned = program->splashWindow().skin.recordedSkinnedWindows();
    EXPECT_EQ(std::find(skinned.begin(), skinned.end(), box().hwnd()), skinned.end());
}

TEST_F(AboutBoxTest, EmptyBrandingLeavesLabelsEmptyAndKeepsTheCaptionPrefix) {
    program->companyName = "";
    program->companyWebsite = "";
    chooseAbout();
    EXPECT_EQ(box().control(AboutBox::CompanyLabel)->text(), "");
    EXPECT_EQ(box().control(AboutBox::WebsiteLabel)->text(), "");
    EXPECT_EQ(box().caption(), "About Vellumkeep");
    EXPECT_EQ(box().control(AboutBox::VersionLabel)->text(), "1.0");

    SendMessageW(box().hwnd(), WM_CLOSE, 0, 0);
    program->productName = "";
    chooseAbout();
    EXPECT_EQ(box().caption(), "About ");
    EXPECT_EQ(box().control(AboutBox::ProductLabel)->text(), "");
}

TEST(VersionText, IsMajorPointMinorInPlainDecimals) {
    EXPECT_EQ(versionText(1, 2), "1.2");
    EXPECT_EQ(versionText(1, 10), "1.10");
    EXPECT_EQ(versionText(0, 0), "0.0");
    EXPECT_EQ(versionText(65535, 7), "65535.7");
}

}  // namespace
}  // namespace vk::test

// The skin: its colours, how each window is coloured, given its region and skinned, how skinned
// windows draw (background, push buttons in every state, labels), and the windows kept on top.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/canvas.h"
#include "platform/handles.h"
#include "skin/skin.h"
#include "skin/skin_control.h"
#include "skin/skin_data.h"
#include "skin/skin_painter.h"
#include "test_support.h"

namespace vk::test {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kLightGrey = RGB(235, 235, 235);
constexpr COLORREF kUnpainted = RGB(255, 0, 255);  // no skin colour: shows what was left unpainted

// What a window or control draws of its client area when asked to print it (WM_PRINTCLIENT),
// read back pixel by pixel.
class Picture {
public:
    explicit Picture(HWND hwnd) : canvas_(nullptr, clientSize(hwnd).cx, clientSize(hwnd).cy) {
        if (!canvas_) return;
        canvas_.fill(kUnpainted);
        SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas_.dc()), PRF_CLIENT | PRF_ERASEBKGND);
        GdiFlush();
    }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    bool valid() const { return static_cast<bool>(canvas_) && width() > 0 && height() > 0; }
    int width() const { return canvas_.width(); }
    int height() const { return canvas_.height(); }
    COLORREF at(int x, int y) const { return canvas_.at(x, y); }
    bool operator==(const Picture& other) const { return canvas_.samePixels(other.canvas_); }

private:
    static SIZE clientSize(HWND hwnd) {
        RECT client{};
        GetClientRect(hwnd, &client);
        return {client.right, client.bottom};
    }

    Canvas canvas_;
};

int distance(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
           std::abs(GetBValue(a) - GetBValue(b));
}

// Rows of a picture holding text between columns `left` and `right`: some pixel there far from
// the background of that row.
std::vector<bool> inkRows(const Picture& picture, const std::function<COLORREF(int)>& backgroundAt, int left,
                          int right) {
    std::vector<bool> rows(static_cast<size_t>(picture.height()));
    for (int y = 0; y < picture.height(); ++y)
        for (int x = left; x < right && !rows[y]; ++x)
            rows[y] = distance(picture.at(x, y), backgroundAt(y)) > 120;
    return rows;
}

std::vector<bool> inkRows(const Picture& picture, const std::function<COLORREF(int)>& backgroundAt) {
    return inkRows(picture, backgroundAt, 0, picture.width());
}

// A button's caption rows: its middle columns against the face a little left of them, clear of
// the rounded corners and the focus ring.
std::vector<bool> captionRows(const Picture& button) {
    int left = button.width() / 6;
    return inkRows(button, [&](int y) { return button.at(left - 1, y); }, left, button.width() - left);
}

// Runs of rows with ink: [first, last] of each line of text.
std::vector<std::pair<int, int>> textLines(const std::vector<bool>& rows) {
    std::vector<std::pair<int, int>> lines;
    for (int y = 0; y < static_cast<int>(rows.size()); ++y) {
        if (!rows[y]) continue;
        if (lines.empty() || lines.back().second != y - 1)
            lines.emplace_back(y, y);
        else
            lines.back().second = y;
    }
    return lines;
}

bool anyPixel(const Picture& picture, COLORREF colour) {
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (picture.at(x, y) == colour) return true;
    return false;
}

// Where a control sits in its parent's client area, in pixels.
RECT placeInParent(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int clientHeight(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return client.bottom;
}

// The colour a window answers a WM_CTLCOLOR* message for one of its controls with.
struct ColourAnswer {
    HBRUSH brush = nullptr;
    COLORREF brushColour = CLR_INVALID;
    COLORREF textColour = CLR_INVALID;
    int backgroundMode = 0;
};

ColourAnswer askColour(const Window& window, UINT message, const Control* control) {
    MemoryDC dc(nullptr);
    ColourAnswer answer;
    answer.brush = reinterpret_cast<HBRUSH>(window.send(message, reinterpret_cast<WPARAM>(dc.get()),
                                                        reinterpret_cast<LPARAM>(control->hwnd())));
    LOGBRUSH brush{};
    if (answer.brush && GetObjectW(answer.brush, sizeof brush, &brush) == sizeof brush && brush.lbStyle == BS_SOLID)
        answer.brushColour = brush.lbColor;
    answer.textColour = GetTextColor(dc.get());
    answer.backgroundMode = GetBkMode(dc.get());
    return answer;
}

bool topmost(const Window& window) {
    return (GetWindowLongW(window.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// The splash's load binds the program's skin; its hand-over timer is not wanted here.
void bindProgramSkin(TestProgram& program) {
    program->splashWindow().load();
    program->splashWindow().timer(SplashWindow::HandOverTimer)->setEnabled(false);
}

// ---- The skin's colours ----

TEST(SkinColours, TheProgramsSkinReportsWhiteBlackLightGreyAndBlack) {
    SkinControl control;  // reads the skin from the program's resources
    EXPECT_EQ(control.backColour(), kWhite);
    EXPECT_EQ(control.foreColour(), kBlack);
    EXPECT_EQ(control.panelColour(), kLightGrey);
    EXPECT_EQ(control.panelTextColour(), kBlack);
    // Its text stands out from what it is drawn on.
    const SkinData& skin = control.data();
    EXPECT_GT(distance(skin.labelText, skin.clientTop), 300);
    EXPECT_GT(distance(skin.buttonText, skin.buttonBottom), 300);
    EXPECT_GT(skin.buttonRadius, 0);
}

TEST(SkinColours, SkinDataReadsKeyValueLinesAndKeepsDefaultsForWhatItCannotRead) {
    SkinData defaults;
    SkinData skin = SkinData::parse("# a comment\r\n"
                                    "back=1,2,3\r\n"
                                    "  panel = 10 , 20 , 30  \n"
                                    "client.top=40,50,60\n"
                                    "fore=256,0,0\n"        // out of range
                                    "paneltext=1,2\n"       // too few parts
                                    "label.text=red\n"      // not numbers
                                    "unknown.key=7,8,9\n"
                                    "button.radius=9\n"
                                    "no equals sign here\n");
    EXPECT_EQ(skin.back, RGB(1, 2, 3));
    EXPECT_EQ(skin.panel, RGB(10, 20, 30));
    EXPECT_EQ(skin.clientTop, RGB(40, 50, 60));
    EXPECT_EQ(skin.fore, defaults.fore);
    EXPECT_EQ(skin.panelText, defaults.panelText);
    EXPECT_EQ(skin.labelText, defaults.labelText);
    EXPECT_EQ(skin.buttonRadius, 9);
    EXPECT_EQ(SkinData::parse("button.radius=99").buttonRadius, defaults.buttonRadius);
}

// ---- Colouring the controls ----

// The program as the user meets it: the splash has bound the skin and the user has logged in.
class SkinnedProgram : public testing::Test {
protected:
    void SetUp() override {
        program.writeVault("master");
        bindProgramSkin(program);
        program.logIn("master");
    }
    const SkinData& skin() { return program->splashWindow().skin.data(); }
    MainWindow& form() { return program->mainWindow(); }

    TestProgram program;
};

TEST_F(SkinnedProgram, CommandButtonsAreWhiteAndTheListIsWhiteWithBlackText) {
    int buttons = 0;
    for (const auto& control : form().controls()) {
        if (control->kind() != ControlKind::Button) continue;
        ++buttons;
        EXPECT_EQ(control->backColor(), kWhite) << control->id();
        EXPECT_FALSE(control->foreColor()) << control->id();
    }
    EXPECT_EQ(buttons, 9);  // the eight commands and the locked view's Unlock
    HWND list = form().control(MainWindow::EntryList)->hwnd();
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0)), kWhite);
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0)), kBlack);
    EXPECT_FALSE(form().control(MainWindow::StatusBar)->backColor());
}

TEST_F(SkinnedProgram, EditorTextBoxesAnswerWithAWhiteBrushAndBlackText) {
    program->entryEditor().openForAdd();
    ASSERT_TRUE(program->entryEditor().isLoaded());
    for (Control* box :
         {program->entryEditor().control(EntryEditor::UsernameBox), program->entryEditor().control(EntryEditor::PasswordBox),
          program->entryEditor().control(EntryEditor::WebsiteBox)}) {
        ColourAnswer answer = askColour(program->entryEditor(), WM_CTLCOLOREDIT, box);
        EXPECT_EQ(answer.brushColour, kWhite) << box->id();
        EXPECT_EQ(answer.textColour, kBlack) << box->id();
    }
    // Its skinned labels are not coloured by the program.
    for (Control* label :
         {program->entryEditor().control(EntryEditor::UsernameLabel), program->entryEditor().control(EntryEditor::PasswordLabel),
          program->entryEditor().control(EntryEditor::WebsiteLabel)}) {
        EXPECT_FALSE(label->backColor()) << label->id();
        EXPECT_FALSE(label->foreColor()) << label->id();
    }
}

TEST(SkinPasswordDialog, TextBoxesAnswerWithAWhiteBrushAndBlackTextAndButtonsAreWhite) {
    TestProgram program;
    program.writeVault("master");
    bindProgramSkin(program);
    program.loadMainWindow();
    PasswordDialog& dialog = program->passwordDialog();
    ASSERT_TRUE(dialog.isLoaded());
    for (Control* box : {dialog.control(PasswordDialog::PasswordBox), dialog.control(PasswordDialog::RetypeBox)}) {
        ColourAnswer answer = askColour(dialog, WM_CTLCOLOREDIT, box);
        EXPECT_EQ(answer.brushColour, kWhite) << box->id();
        EXPECT_EQ(answer.textColour, kBlack) << box->id();
    }
    EXPECT_EQ(dialog.control(PasswordDialog::OkButton)->backColor(), kWhite);
    EXPECT_EQ(dialog.control(PasswordDialog::CancelButton)->backColor(), kWhite);
}

TEST_F(SkinnedProgram, AboutBoxHeaderGetsThePanelColourAndItsLabelsKeepTheirOwn) {
    program->aboutBox().show();
    AboutBox& about = program->aboutBox();
    ASSERT_TRUE(about.isLoaded());
    EXPECT_EQ(about.control(AboutBox::HeaderPicture)->backColor(), kLightGrey);
    // The skin leaves the program's own colours alone.
    EXPECT_EQ(askColour(about, WM_CTLCOLORSTATIC, about.control(AboutBox::HeaderPicture)).brushColour, kLightGrey);
    int labels = 0;
    for (const auto& control : about.controls()) {
        if (control->kind() != ControlKind::Label && control->kind() != ControlKind::SkinLabel) continue;
        ++labels;
        EXPECT_FALSE(control->backColor()) << control->id();
        EXPECT_FALSE(control->foreColor()) << control->id();
    }
    EXPECT_GE(labels, 8);
}

TEST_F(SkinnedProgram, HelpViewersCheckBoxAndRichTextBoxGetNoColour) {
    program->helpViewer().load();
    HelpViewer& help = program->helpViewer();
    ASSERT_TRUE(help.isLoaded());
    for (Control* control : {help.control(HelpViewer::ShowAtStartupBox), help.control(HelpViewer::Document)}) {
        EXPECT_FALSE(control->backColor()) << control->id();
        EXPECT_FALSE(control->foreColor()) << control->id();
    }
    const std::vector<HWND>& skinned = program->splashWindow().skin.recordedSkinnedWindows();
    EXPECT_NE(std::find(skinned.begin(), skinned.end(), help.hwnd()), skinned.end());
}

TEST(SkinColorControls, ColoursByTypeAndStopsAtTheFirstControlThatRefuses) {
    const COLORREF back = RGB(1, 2, 3), fore = RGB(4, 5, 6), panel = RGB(7, 8, 9);
    {
        TestProgram program;  // skinning is off: the editor loads uncoloured
        program->entryEditor().openForAdd();
        EntryEditor& editor = program->entryEditor();
        ASSERT_FALSE(editor.control(EntryEditor::UsernameBox)->backColor());
        colourControls(editor, static_cast<long>(back), static_cast<long>(fore), static_cast<long>(panel), 0);
        for (Control* box :
             {editor.control(EntryEditor::UsernameBox), editor.control(EntryEditor::PasswordBox), editor.control(EntryEditor::WebsiteBox)}) {
            EXPECT_EQ(box->backColor(), back) << box->id();
            EXPECT_EQ(box->foreColor(), fore) << box->id();
        }
        EXPECT_EQ(editor.control(EntryEditor::CancelButton)->backColor(), back);
        EXPECT_FALSE(editor.control(EntryEditor::CancelButton)->foreColor());
        EXPECT_FALSE(editor.control(EntryEditor::UsernameLabel)->backColor());
    }
    {
        TestProgram program;
        program->entryEditor().openForAdd();
        EntryEditor& editor = program->entryEditor();
        // A control whose window is gone refuses its colour, and the walk ends there.
        DestroyWindow(editor.control(EntryEditor::UsernameBox)->hwnd());
        colourControls(editor, static_cast<long>(back), static_cast<long>(fore), static_cast<long>(panel), 0);
        EXPECT_EQ(editor.control(EntryEditor::CancelButton)->backColor(), back);
        EXPECT_EQ(editor.control(EntryEditor::SaveButton)->backColor(), back);
        EXPECT_FALSE(editor.control(EntryEditor::UsernameBox)->backColor());
        EXPECT_FALSE(editor.control(EntryEditor::PasswordBox)->backColor());
        EXPECT_FALSE(editor.control(EntryEditor::PasswordBox)->foreColor());
        EXPECT_FALSE(editor.control(EntryEditor::WebsiteBox)->backColor());
    }
}

// ---- Region, order and z-order ----

TEST(SkinRegion, IsResetOnlyOnWindowsNT6AndLater) {
    {
        TestProgram program;
        program.setNT6OrLater(false);
        bindProgramSkin(program);
        program->aboutBox().load();
        Region region(CreateRectRgn(0, 0, 0, 0));
        int kind = GetWindowRgn(program->aboutBox().hwnd(), region.get());
        EXPECT_TRUE(kind == ERROR || kind == NULLREGION) << kind;
        // It is still skinned.
        EXPECT_EQ(program->splashWindow().skin.recordedSkinnedWindows().back(), program->aboutBox().hwnd());
    }
    {
        TestProgram program;
        bindProgramSkin(program);
        program->aboutBox().load();
        Region region(CreateRectRgn(0, 0, 0, 0));
        EXPECT_EQ(GetWindowRgn(program->aboutBox().hwnd(), region.get()), SIMPLEREGION);
    }
}

// A region never clips: whatever size the window takes, the whole of it draws and takes clicks.
TEST(SkinRegion, CoversTheWholeMainWindowAtEverySize) {
    TestProgram program;
    program.writeVault("master");
    program.logIn("master");
    HWND form = program->mainWindow().hwnd();
    auto expectCovered = [form](const char* when) {
        Region region(CreateRectRgn(0, 0, 0, 0));
        ASSERT_EQ(GetWindowRgn(form, region.get()), SIMPLEREGION) << when;
        RECT box{}, outer{};
        GetRgnBox(region.get(), &box);
        GetWindowRect(form, &outer);
        EXPECT_LE(box.left, 0) << when;
        EXPECT_LE(box.top, 0) << when;
        EXPECT_GE(box.right, outer.right - outer.left) << when;
        EXPECT_GE(box.bottom, outer.bottom - outer.top) << when;
    };
    expectCovered("as loaded");
    ShowWindow(form, SW_MAXIMIZE);
    expectCovered("maximised");
    ShowWindow(form, SW_RESTORE);
    expectCovered("restored");
    auto resize = [form](int width, int height) {
        SetWindowPos(form, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    };
    resize(GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK));
    expectCovered("as large as it can grow");
    resize(300, 200);
    expectCovered("shrunk");
}

TEST(SkinRegion, IsNT6OrLaterUnderThisWine) { EXPECT_TRUE(systemIsNT6OrLater()); }

// Records, in order, what skinWindow does to the main window: its list coloured, its region set,
// its buttons restyled by the skin.
struct SkinSteps {
    HWND form = nullptr;
    HWND list = nullptr;
    std::string steps;
    HHOOK hook = nullptr;
};
SkinSteps* recording = nullptr;

LRESULT CALLBACK recordSkinStep(int code, WPARAM wParam, LPARAM lParam) {
    const auto& call = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && recording) {
        auto note = [](char step) {
            if (recording->steps.find(step) == std::string::npos) recording->steps += step;
        };
        if (call.hwnd == recording->list && call.message == LVM_SETBKCOLOR) note('C');
        if (call.hwnd == recording->form && call.message == WM_WINDOWPOSCHANGING &&
            (reinterpret_cast<const WINDOWPOS*>(call.lParam)->flags & SWP_FRAMECHANGED))
            note('R');
        if (GetParent(call.hwnd) == recording->form && call.message == WM_STYLECHANGED && static_cast<int>(call.wParam) == GWL_STYLE)
            note('S');
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(SkinOrder, EachWindowIsColouredThenGivenItsRegionThenSkinned) {
    TestProgram program;
    program.writeVault("master");
    bindProgramSkin(program);
    program.loadMainWindow();
    HWND dialog = program->passwordDialog().hwnd();
    SkinSteps steps;
    steps.form = program->mainWindow().hwnd();
    steps.list = program->mainWindow().control(MainWindow::EntryList)->hwnd();
    recording = &steps;
    steps.hook = SetWindowsHookExW(WH_CALLWNDPROC, recordSkinStep, nullptr, GetCurrentThreadId());
    setText(program->passwordDialog().control(PasswordDialog::PasswordBox), "master");
    click(program->passwordDialog().control(PasswordDialog::OkButton));
    UnhookWindowsHookEx(steps.hook);
    recording = nullptr;
    EXPECT_EQ(steps.steps, "CRS");
    // One skin call per window, in the order the windows were loaded.
    std::vector<HWND> expected{program->splashWindow().hwnd(), dialog, program->mainWindow().hwnd()};
    if (program->helpViewer().isLoaded()) expected.push_back(program->helpViewer().hwnd());
    EXPECT_EQ(program->splashWindow().skin.recordedSkinnedWindows(), expected);
}

TEST(SkinOnTop, SetOnTopSetsAndClearsTheTopmostState) {
    TestProgram program;
    program->applyBranding();
    program->aboutBox().show();
    Window& window = program->aboutBox();
    ASSERT_FALSE(topmost(window));
    setOnTop(window, true);
    EXPECT_TRUE(topmost(window));
    setOnTop(window, true);
    EXPECT_TRUE(topmost(window));
    setOnTop(window, false);
    EXPECT_FALSE(topmost(window));
}

TEST(SkinOnTop, PasswordDialogAndHelpViewerStayOnTopTheAboutBoxDoesNot) {
    TestProgram program;
    program.writeVault("master");
    writeFile(program.folder().file("Help.rtf"), "{\\rtf1\\ansi Vellumkeep help.\\par}");
    bindProgramSkin(program);
    program.loadMainWindow();
    EXPECT_TRUE(topmost(program->passwordDialog()));
    program->helpViewer().load();
    EXPECT_TRUE(topmost(program->helpViewer()));
    program->aboutBox().load();
    EXPECT_FALSE(topmost(program->aboutBox()));
}

// ---- How skinned windows draw ----

TEST_F(SkinnedProgram, TheClientAreaIsAVerticalGradientFromTheSkin) {
    program->entryEditor().openForAdd();
    Picture picture(program->entryEditor().hwnd());
    ASSERT_TRUE(picture.valid());
    int last = picture.height() - 1;
    for (int x : {0, picture.width() / 2, picture.width() - 1}) {
        EXPECT_EQ(picture.at(x, 0), skin().clientTop);
        EXPECT_EQ(picture.at(x, last), skin().clientBottom);
        EXPECT_EQ(picture.at(x, last / 2), skinBackgroundAt(skin(), last / 2, picture.height()));
    }
    EXPECT_NE(skin().clientTop, skin().clientBottom);
}

TEST_F(SkinnedProgram, PushButtonsAreOwnerDrawnStandardButtonsFacedWithTheirBackColor) {
    for (const auto& control : form().controls()) {
        if (control->kind() != ControlKind::Button) continue;
        wchar_t className[16] = L"";
        GetClassNameW(control->hwnd(), className, 16);
        EXPECT_STREQ(className, L"Button");
        EXPECT_EQ(GetWindowLongW(control->hwnd(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW) << control->id();
    }
    HWND button = form().control(MainWindow::AddButton)->hwnd();
    {
        Picture picture(button);
        ASSERT_TRUE(picture.valid());
        const int middle = picture.width() / 2;
        // Below the border, the face starts in the button's backColour (white).
        int faceTop = 1;
        while (faceTop < 4 && picture.at(middle, faceTop) != kWhite) ++faceTop;
        EXPECT_EQ(picture.at(middle, faceTop), kWhite);
        EXPECT_EQ(picture.at(middle, 0), skin().buttonBorder);
        // The rounded corner shows the window's background.
        RECT place = placeInParent(button);
        EXPECT_EQ(picture.at(0, 0), skinBackgroundAt(skin(), place.top, clientHeight(form().hwnd())));
        // The caption is drawn in the middle, in the skin's button text colour.
        std::vector<bool> ink = captionRows(picture);
        EXPECT_TRUE(ink[picture.height() / 2] || ink[picture.height() / 2 - 2] || ink[picture.height() / 2 + 2]);
        EXPECT_FALSE(ink[faceTop]);
        EXPECT_EQ(textLines(ink).size(), 1u);
    }
    // A colour the program gives is the face's new top colour.
    const COLORREF wine = RGB(190, 52, 61);
    form().control(MainWindow::AddButton)->setBackColor(wine);
    Picture picture(button);
    ASSERT_TRUE(picture.valid());
    int middle = picture.width() / 2;
    EXPECT_TRUE(picture.at(middle, 1) == wine || picture.at(middle, 2) == wine);
}

TEST_F(SkinnedProgram, PushButtonsDrawEachStateInItsOwnWay) {
    Control& copy = *form().control(MainWindow::CopyPasswordButton);
    HWND button = copy.hwnd();
    const Picture normal(button);
    ASSERT_TRUE(normal.valid());
    const int middle = normal.width() / 2;
    EXPECT_FALSE(anyPixel(normal, kUnpainted));

    // Hot while the mouse is over it, and back to normal when it leaves.
    SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    const Picture hot(button);
    EXPECT_EQ(hot.at(middle, 0), skin().buttonHotBorder);
    EXPECT_FALSE(hot == normal);
    SendMessageW(button, WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(Picture(button) == normal);

    // Pressed: the pressed face, the caption nudged down.
    SendMessageW(button, BM_SETSTATE, TRUE, 0);
    const Picture pressed(button);
    SendMessageW(button, BM_SETSTATE, FALSE, 0);
    EXPECT_TRUE(pressed.at(middle, 1) == skin().buttonPressedTop || pressed.at(middle, 2) == skin().buttonPressedTop);
    auto pressedLines = textLines(captionRows(pressed));
    auto normalLines = textLines(captionRows(normal));
    ASSERT_EQ(pressedLines.size(), 1u);
    ASSERT_EQ(normalLines.size(), 1u);
    EXPECT_GT(pressedLines[0].first, normalLines[0].first);

    // Disabled: a paler caption.
    EnableWindow(button, FALSE);
    const Picture disabled(button);
    EnableWindow(button, TRUE);
    auto darkest = [](const Picture& p) {
        int dark = 765;
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x)
                dark = std::min(dark, GetRValue(p.at(x, y)) + GetGValue(p.at(x, y)) + GetBValue(p.at(x, y)));
        return dark;
    };
    EXPECT_GT(darkest(disabled), darkest(normal) + 60);

    // Keyboard focus: a ring inside the border.
    SetFocus(button);
    ASSERT_EQ(GetFocus(), button);
    const Picture focused(button);
    EXPECT_FALSE(focused == normal);
    int ringRows = 0;
    for (int y = 0; y < focused.height() / 3; ++y)
        if (focused.at(middle, y) != normal.at(middle, y)) ++ringRows;
    EXPECT_GE(ringRows, 1);
    EXPECT_LE(ringRows, 3);
}

TEST_F(SkinnedProgram, SkinnedButtonsClickAndNavigateLikeTheStandardButtonsTheyAre) {
    // The second press of a quick double click is a click of its own, as on a push button.
    HWND button = form().control(MainWindow::DeleteButton)->hwnd();
    form().setStatusText("");
    SendMessageW(button, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(form().statusText(), "You must first select an entry to delete.");
    // Keyboard navigation sees a push button.
    HWND plain = CreateWindowExW(0, WC_BUTTONW, L"plain", WS_CHILD | BS_PUSHBUTTON, 0, 0, 10, 10, form().hwnd(),
                                 nullptr, nullptr, nullptr);
    ASSERT_TRUE(plain);
    EXPECT_EQ(SendMessageW(button, WM_GETDLGCODE, 0, 0), SendMessageW(plain, WM_GETDLGCODE, 0, 0));
    DestroyWindow(plain);
    // Restyling it as a push button keeps it drawn by the skin.
    SendMessageW(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_EQ(GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(SendMessageW(button, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
}

TEST_F(SkinnedProgram, ButtonCaptionsMayHaveSeveralLines) {
    HWND button = form().control(MainWindow::WebsiteButton)->hwnd();
    SetWindowTextW(button, L"Visit\r\nthe web site");
    Picture picture(button);
    ASSERT_TRUE(picture.valid());
    EXPECT_EQ(textLines(captionRows(picture)).size(), 2u);
}

TEST_F(SkinnedProgram, PlainLabelsAndCheckBoxesDrawOverTheBackgroundInTheLabelColour) {
    program->aboutBox().show();
    ColourAnswer label =
        askColour(program->aboutBox(), WM_CTLCOLORSTATIC, program->aboutBox().control(AboutBox::VersionCaption));
    EXPECT_EQ(label.brush, GetStockObject(NULL_BRUSH));
    EXPECT_EQ(label.backgroundMode, TRANSPARENT);
    EXPECT_EQ(label.textColour, skin().labelText);

    program->helpViewer().load();
    ColourAnswer check =
        askColour(program->helpViewer(), WM_CTLCOLORSTATIC, program->helpViewer().control(HelpViewer::ShowAtStartupBox));
    EXPECT_EQ(check.brush, GetStockObject(NULL_BRUSH));
    EXPECT_EQ(check.textColour, skin().labelText);
}

TEST(SkinLabels, DrawTheirCaptionInTheSkinsLabelColourWordWrappedWithLineBreaks) {
    TestProgram program;  // no vault: the dialog asks for a new password, with a long first label
    bindProgramSkin(program);
    program.loadMainWindow();
    PasswordDialog& dialog = program->passwordDialog();
    ASSERT_TRUE(program->passwordDialog().creatingPassword());
    const SkinData& skin = program->splashWindow().skin.data();
    HWND label = dialog.control(PasswordDialog::MessageLabel)->hwnd();
    Picture picture(label);
    ASSERT_TRUE(picture.valid());
    RECT place = placeInParent(label);
    int height = clientHeight(dialog.hwnd());
    auto backgroundAt = [&](int y) { return skinBackgroundAt(skin, place.top + y, height); };
    // Over the dialog's own background, where no text is.
    EXPECT_EQ(picture.at(picture.width() - 1, picture.height() - 1), backgroundAt(picture.height() - 1));
    EXPECT_TRUE(anyPixel(picture, skin.labelText));

    // The first paragraph wraps; a blank line (CR LF CR LF) parts it from the second.
    std::vector<std::pair<int, int>> lines = textLines(inkRows(picture, backgroundAt));
    ASSERT_GE(lines.size(), 4u);
    int lineHeight = lines[1].first - lines[0].first;
    int widestGap = 0;
    for (size_t i = 1; i < lines.size(); ++i) widestGap = std::max(widestGap, lines[i].first - lines[i - 1].first);
    EXPECT_GE(widestGap, 2 * lineHeight - 1);
}

TEST(SkinLabels, OnAnUnskinnedWindowUseTheSystemColours) {
    TestProgram program;  // skinning off
    program->entryEditor().openForAdd();
    Picture picture(program->entryEditor().control(EntryEditor::UsernameLabel)->hwnd());
    ASSERT_TRUE(picture.valid());
    EXPECT_EQ(picture.at(picture.width() - 1, 0), GetSysColor(COLOR_BTNFACE));
    EXPECT_TRUE(anyPixel(picture, GetSysColor(COLOR_BTNTEXT)));
    EXPECT_FALSE(anyPixel(picture, SkinControl().data().labelText));
}

}  // namespace
}  // namespace vk::test

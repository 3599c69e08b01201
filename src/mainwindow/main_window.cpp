#include "mainwindow/main_window.h"

#include <commctrl.h>

#include <cstdlib>
#include <iterator>

#include "mainwindow/column_sort.h"
#include "platform/message_box.h"
#include "platform/settings.h"
#include "platform/text.h"
#include "skin/skin.h"

namespace vk {
namespace {

// The menu bar, item by item. Each menu's items form one control array, whose click handler gets
// the item's index; an item's command id is its place in this table. No access keys: an "&"
// would be one, so none appears in these captions.
struct MenuItem {
    MainWindow::Menu menu;
    int index;
    const wchar_t* caption;
    void (MainWindow::*onClick)(int index);
};
const MenuItem kMenuItems[] = {
    {MainWindow::mnuFile, 0, L"Exit", &MainWindow::mnuFileItem_Click},
    {MainWindow::mnuData, 0, L"Add Username/Password", &MainWindow::mnuDataItem_Click},
    {MainWindow::mnuData, 1, L"Delete Selected Item", &MainWindow::mnuDataItem_Click},
    {MainWindow::mnuData, 2, L"Edit Selected Item", &MainWindow::mnuDataItem_Click},
    {MainWindow::mnuData, 3, L"Goto \"Used At\" Location", &MainWindow::mnuDataItem_Click},
    {MainWindow::mnuCopy, 0, L"Selected Username", &MainWindow::mnuCopyItem_Click},
    {MainWindow::mnuCopy, 1, L"Selected Password", &MainWindow::mnuCopyItem_Click},
    {MainWindow::mnuCopy, 2, L"Selected Used At Location", &MainWindow::mnuCopyItem_Click},
    {MainWindow::mnuHelp, 0, L"View Help", &MainWindow::mnuHelpItem_Click},
    {MainWindow::mnuAbout, 0, L"About this software", &MainWindow::mnuAboutItem_Click},
};
// The menus' own captions, in the order of MainWindow::Menu.
const wchar_t* const kMenuCaptions[] = {L"File", L"Data", L"Copy", L"Help", L"About"};

// The Data menu repeats the buttons, in this order.
using Command = void (*)(MainWindow&);
constexpr Command kDataCommands[] = {
    [](MainWindow& form) { form.cmdAdd_Click(0); },
    [](MainWindow& form) { form.cmdDelete_Click(); },
    [](MainWindow& form) { form.cmdEdit_Click(); },
    [](MainWindow& form) { form.cmdGoto_Click(); },
};

// The list keeps to the window: its right and bottom edges follow the window's, and a window too
// small for the list gives the difference with its sign dropped.
constexpr int kListRightMargin = 500;
constexpr int kListBottomMargin = 1000;

}  // namespace

MainWindow::MainWindow(Host& host, const Branding& branding, Skinning& skinning, EntryEditor& editor,
                       vault::EntryList& entries)
    : lstPass(entries), host_(host), branding_(branding), skinning_(skinning), frmAdd_(editor), entries_(entries) {}

int MainWindow::menuItemId(Menu menu, int index) {
    for (size_t row = 0; row < std::size(kMenuItems); ++row)
        if (kMenuItems[row].menu == menu && kMenuItems[row].index == index) return kFirstMenuId + static_cast<int>(row);
    return 0;
}

HMENU MainWindow::buildMenuBar() const {
    HMENU bar = CreateMenu();
    for (int menu = mnuFile; menu <= mnuAbout; ++menu) {
        HMENU popup = CreatePopupMenu();
        for (const MenuItem& item : kMenuItems)
            if (item.menu == menu)
                AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(menuItemId(item.menu, item.index)), item.caption);
        AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), kMenuCaptions[menu]);
    }
    return bar;
}

void MainWindow::create() {
    Frame frame;
    frame.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    frame.clientWidth = kClientWidth;
    frame.clientHeight = kClientHeight;
    frame.menu = buildMenuBar();
    if (!createProgramFrame(frame)) return;

    cmdAdd[0] = &addButton("cmdAdd", 0, "Add", 60, 60, 1155, 1035);
    cmdDelete = &addButton("cmdDelete", -1, "Delete", 1260, 60, 1155, 1035);
    cmdEdit = &addButton("cmdEdit", -1, "Edit", 2460, 60, 1155, 1035);
    cmdGoto = &addButton("cmdGoto", -1, "Go To", 3660, 60, 1155, 1035);
    cmdWebsite[0] = &addButton("cmdWebsite", 0, "", 4860, 60, 4095, 1035);
    cmdCopy[0] = &addButton("cmdCopy", 0, "Copy Username", 60, 1140, 2355, 795);
    cmdCopy[1] = &addButton("cmdCopy", 1, "Copy Password", 2460, 1140, 2355, 795);
    cmdCopy[2] = &addButton("cmdCopy", 2, "Copy Used At", 4860, 1140, 4095, 795);
    lstPassControl = &addControl("lstPass", -1, "ListView", WC_LISTVIEWW,
                                 WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT | LVS_OWNERDATA |
                                     LVS_SHOWSELALWAYS | LVS_SINGLESEL,
                                 WS_EX_CLIENTEDGE, "", 60, 1980, 8895, 4215);
    StatusBar1 = &addControl("StatusBar1", -1, "StatusBar", STATUSCLASSNAMEW, WS_VISIBLE | SBARS_SIZEGRIP, 0, "", 0,
                             6240, 9015, 315);
    tmrClipboard = &addTimer("tmrClipboard", host_.clipboardClearMs());
    tmrClipboard->onTick = [this] { tmrClipboard_Timer(); };
    lstPass.attach(lstPassControl->hwnd());
    setTabOrder({cmdAdd[0], cmdEdit, cmdDelete, cmdWebsite[0], lstPassControl, cmdCopy[0], cmdGoto, cmdCopy[1],
                 cmdCopy[2], StatusBar1});

    cmdAdd[0]->onClick = [this] { cmdAdd_Click(0); };
    cmdDelete->onClick = [this] { cmdDelete_Click(); };
    cmdEdit->onClick = [this] { cmdEdit_Click(); };
    cmdGoto->onClick = [this] { cmdGoto_Click(); };
    cmdWebsite[0]->onClick = [this] { cmdWebsite_Click(0); };
    for (int i = 0; i < 3; ++i) cmdCopy[i]->onClick = [this, i] { cmdCopy_Click(i); };
    lstPass.onColumnClick = [this](int column) { lstPass_ColumnClick(column); };
}

void MainWindow::Form_Load() {
    SkinSupportStartup(skinning_);
    setCaption(branding_.productName + " by " + branding_.companyName);
    cmdWebsite[0]->setText("Visit " + branding_.companyWebsite);
    lstPass.addColumn("Username", toPixels(cmdCopy[0]->width() - 10));
    lstPass.addColumn("Password", toPixels(cmdCopy[1]->width() + 20));
    lstPass.addColumn("Website/Location", toPixels(cmdCopy[2]->width()));
    int panelWidth = toPixels(std::abs(width()));
    SendMessageW(StatusBar1->hwnd(), SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&panelWidth));
    host_.openVault();
}

void MainWindow::afterFormLoad() {
    if (skinning_.skinEnabled) SkinForm(skinning_, *this);
    show();
    if (host_.settings().get(branding_.productName, "Settings", "showHelp", "1") == "1") host_.showHelpViewer();
    host_.closePasswordDialog();
}

std::string MainWindow::statusText() const {
    if (!StatusBar1) return {};
    auto length = LOWORD(SendMessageW(StatusBar1->hwnd(), SB_GETTEXTLENGTHW, 0, 0));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(StatusBar1->hwnd(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return displayText(text);
}

void MainWindow::setStatusText(const std::string& text) {
    if (!StatusBar1) return;
    std::wstring wide = widen(text);
    SendMessageW(StatusBar1->hwnd(), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void MainWindow::Form_Resize() {
    if (minimized() || !lstPassControl) return;
    int listWidth = std::abs(width() - 2 * lstPassControl->left() - kListRightMargin);
    int listHeight = std::abs(height() - lstPassControl->top() - kListBottomMargin);
    lstPassControl->move(lstPassControl->left(), lstPassControl->top(), listWidth, listHeight);
}

bool MainWindow::mayDiscardUnsavedChange() {
    while (host_.hasUnsavedChanges()) {
        const std::uint64_t count = host_.unsavedChangeCount();
        const std::string question =
            count > 1 ? "Your last " + std::to_string(count) +
                            " changes could not be saved, so the vault file does not hold them.\r\n\r\n"
                            "Try to save them again before closing?  Choose No to close and lose them."
                      : "Your last change could not be saved, so the vault file does not hold it.\r\n\r\n"
                        "Try to save it again before closing?  Choose No to close and lose the change.";
        int choice = messageBox(hwnd(), question, host_.appTitle(), MB_YESNOCANCEL | MB_ICONWARNING);
        if (choice == IDNO) return true;
        if (choice != IDYES) return false;
        if (!host_.saveVault(hwnd())) continue;
    }
    return true;
}

// The session asks to end. With nothing unsaved it may; an unsaved change gets one more save, and
// when that fails too the end is refused, with a reason the system shows, and the user is asked
// as at closing.
bool MainWindow::Form_QueryEndSession() {
    if (!host_.hasUnsavedChanges() || host_.saveVault(nullptr)) return true;
    ShutdownBlockReasonCreate(hwnd(), L"A change to your entries could not be saved.");
    PostMessageW(hwnd(), WM_CLOSE, 0, 0);
    return false;
}

void MainWindow::Form_Unload(bool& cancel) {
    bool discard = mayDiscardUnsavedChange();
    ShutdownBlockReasonDestroy(hwnd());
    if (!discard) {
        cancel = true;
        return;
    }
    forgetCopiedPassword();
    host_.unloadOtherWindows();
    if (skinning_.skinEnabled) skinSupportOf(skinning_).recordMethod6();
    host_.unloadLinkLauncher();
    host_.endProgramAtOnce();
}

void MainWindow::lstPass_ColumnClick(int column) {
    EnhListView_SortColumns(lstPass, column, false);
}

void MainWindow::mnuFileItem_Click(int index) {
    if (index == 0) unload();
}

void MainWindow::mnuDataItem_Click(int index) {
    if (index >= 0 && static_cast<size_t>(index) < std::size(kDataCommands)) kDataCommands[index](*this);
}

void MainWindow::mnuCopyItem_Click(int index) {
    cmdCopy_Click(index);
}

void MainWindow::mnuHelpItem_Click(int) {
    host_.showHelpViewer();
}

void MainWindow::mnuAboutItem_Click(int) {
    host_.showAboutBox();
}

void MainWindow::onMenu(int commandId) {
    size_t row = static_cast<size_t>(commandId - kFirstMenuId);
    if (commandId < kFirstMenuId || row >= std::size(kMenuItems)) return;
    (this->*kMenuItems[row].onClick)(kMenuItems[row].index);
}

bool MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_SIZE:
        if (StatusBar1) SendMessageW(StatusBar1->hwnd(), WM_SIZE, 0, 0);
        if (wParam != SIZE_MINIMIZED) Form_Resize();
        return false;
    case WM_NOTIFY:
        return lstPass.handleNotify(*reinterpret_cast<const NMHDR*>(lParam), result);
    case WM_QUERYENDSESSION:
        result = Form_QueryEndSession() ? TRUE : FALSE;
        return true;
    case WM_ENDSESSION:
        // The session ends now: the closing sequence runs as when the window is closed.
        if (wParam) unload();
        result = 0;
        return true;
    }
    return false;
}

}  // namespace vk

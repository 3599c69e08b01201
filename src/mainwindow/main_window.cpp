#include "mainwindow/main_window.h"

#include <commctrl.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <utility>

#include "mainwindow/column_sort.h"
#include "platform/message_box.h"
#include "platform/settings.h"
#include "platform/text.h"
#include "skin/skin.h"
#include "skin/skin_label.h"

namespace vk {
namespace {

// The menu bar, item by item, in order; an item's command id is its place in this table. The
// Data and Copy menus repeat the buttons. No access keys: an "&" would be one, so none appears
// in these captions.
struct MenuItem {
    MainWindow::Menu menu;
    const wchar_t* caption;
    void (*run)(MainWindow& window);
};
const MenuItem kMenuItems[] = {
    {MainWindow::FileMenu, L"Encrypt Vault...", [](MainWindow& w) { w.onEncryptionClick(); }},
    {MainWindow::FileMenu, L"Change Master Password...", [](MainWindow& w) { w.onChangePasswordClick(); }},
    {MainWindow::FileMenu, L"Import Entries...", [](MainWindow& w) { w.onImportClick(); }},
    {MainWindow::FileMenu, L"Export Entries...", [](MainWindow& w) { w.onExportClick(); }},
    {MainWindow::FileMenu, L"Options...", [](MainWindow& w) { w.onOptionsClick(); }},
    {MainWindow::FileMenu, L"Lock\tCtrl+L", [](MainWindow& w) { w.onLockClick(); }},
    {MainWindow::FileMenu, L"Earlier Versions...", [](MainWindow& w) { w.onEarlierVersionsClick(); }},
    {MainWindow::FileMenu, L"Exit", [](MainWindow& w) { w.onExitClick(); }},
    {MainWindow::DataMenu, L"Add Username/Password", [](MainWindow& w) { w.onAddClick(); }},
    {MainWindow::DataMenu, L"Delete Selected Item", [](MainWindow& w) { w.onDeleteClick(); }},
    {MainWindow::DataMenu, L"Edit Selected Item", [](MainWindow& w) { w.onEditClick(); }},
    {MainWindow::DataMenu, L"Goto \"Used At\" Location", [](MainWindow& w) { w.onGoToClick(); }},
    {MainWindow::DataMenu, L"Find...\tCtrl+F", [](MainWindow& w) { w.onFindClick(); }},
    {MainWindow::CopyMenu, L"Selected Username", [](MainWindow& w) { w.onCopyClick(vault::Field::Username); }},
    {MainWindow::CopyMenu, L"Selected Password", [](MainWindow& w) { w.onCopyClick(vault::Field::Password); }},
    {MainWindow::CopyMenu, L"Selected Used At Location", [](MainWindow& w) { w.onCopyClick(vault::Field::Location); }},
    {MainWindow::HelpMenu, L"View Help", [](MainWindow& w) { w.onViewHelpClick(); }},
    {MainWindow::AboutMenu, L"About this software", [](MainWindow& w) { w.onAboutClick(); }},
};
// The menus' own captions, in the order of MainWindow::Menu.
const wchar_t* const kMenuCaptions[] = {L"File", L"Data", L"Copy", L"Help", L"About"};

// The list keeps to the window: its right and bottom edges follow the window's, and a window too
// small for the list gives the difference with its sign dropped.
constexpr int kListRightMargin = 500;
constexpr int kListBottomMargin = 1000;

// A copied password leaves the clipboard this long after the copy.
constexpr UINT kClipboardClearMs = 10000;
// How often a copied password is tried again while another program holds the clipboard open.
constexpr UINT kClipboardRetryMs = 250;
// How often the time without use is looked at.
constexpr UINT kIdleCheckMs = 500;
constexpr int kLockItem = 5;  // in the File menu
constexpr int kFindItem = 4;  // in the Data menu
constexpr int kLockedLabelWidth = 4500;

}  // namespace

MainWindow::MainWindow(Host& host, const Branding& branding, Skinning& skinning, EntryEditor& editor,
                       const vault::EntryList& entries)
    : entryList(entries),
      findBox(*this, skinning),
      host_(host),
      branding_(branding),
      skinning_(skinning),
      editor_(editor),
      entries_(entries) {}

int MainWindow::menuItemId(Menu menu, int position) {
    for (size_t row = 0; row < std::size(kMenuItems); ++row)
        if (kMenuItems[row].menu == menu && position-- == 0) return kFirstMenuId + static_cast<int>(row);
    return 0;
}

HMENU MainWindow::buildMenuBar() const {
    HMENU bar = CreateMenu();
    for (int menu = FileMenu; menu <= AboutMenu; ++menu) {
        HMENU popup = CreatePopupMenu();
        for (size_t row = 0; row < std::size(kMenuItems); ++row)
            if (kMenuItems[row].menu == menu)
                AppendMenuW(popup, MF_STRING, kFirstMenuId + row, kMenuItems[row].caption);
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

    addButton = &createButton(AddButton, "Add", 60, 60, 1155, 1035);
    deleteButton = &createButton(DeleteButton, "Delete", 1260, 60, 1155, 1035);
    editButton = &createButton(EditButton, "Edit", 2460, 60, 1155, 1035);
    goToButton = &createButton(GoToButton, "Go To", 3660, 60, 1155, 1035);
    websiteButton = &createButton(WebsiteButton, "", 4860, 60, 4095, 1035);
    copyButtons[0] = &createButton(copyButtonId(vault::Field::Username), "Copy Username", 60, 1140, 2355, 795);
    copyButtons[1] = &createButton(copyButtonId(vault::Field::Password), "Copy Password", 2460, 1140, 2355, 795);
    copyButtons[2] = &createButton(copyButtonId(vault::Field::Location), "Copy Used At", 4860, 1140, 4095, 795);
    entryListControl = &createControl(
        ControlKind::ListView, EntryList, WC_LISTVIEWW,
        WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SINGLESEL,
        WS_EX_CLIENTEDGE, "", 60, 1980, 8895, 4215);
    statusBar = &createControl(ControlKind::StatusBar, StatusBar, STATUSCLASSNAMEW, WS_VISIBLE | SBARS_SIZEGRIP, 0, "",
                               0, 6240, 9015, 315);
    lockedLabel = &createSkinLabel(*this, LockedLabel, "Vellumkeep is locked.", 0, 0, kLockedLabelWidth, 255, false);
    SetWindowLongW(lockedLabel->hwnd(), GWL_STYLE, GetWindowLongW(lockedLabel->hwnd(), GWL_STYLE) | SS_CENTER);
    unlockButton = &createButton(UnlockButton, "Unlock...", 0, 0, 1155, 495);
    unlockButton->setVisible(false);
    clipboardTimer = &createTimer(ClipboardTimer, kClipboardClearMs);
    clipboardTimer->onTick = [this] { onClipboardTimer(); };
    clipboardRetryTimer = &createTimer(ClipboardRetryTimer, kClipboardRetryMs);
    clipboardRetryTimer->onTick = [this] { onClipboardTimer(); };
    idleTimer = &createTimer(IdleTimer, kIdleCheckMs);
    idleTimer->onTick = [this] { host_.idleCheck(); };
    setAccelerators({{FCONTROL | FVIRTKEY, 'L', static_cast<WORD>(menuItemId(FileMenu, kLockItem))},
                     {FCONTROL | FVIRTKEY, 'F', static_cast<WORD>(menuItemId(DataMenu, kFindItem))}});
    entryList.attach(entryListControl->hwnd());
    setTabOrder({addButton, editButton, deleteButton, websiteButton, entryListControl, lockedLabel, unlockButton,
                 copyButtons[0], goToButton, copyButtons[1], copyButtons[2], statusBar});

    addButton->onClick = [this] { onAddClick(); };
    deleteButton->onClick = [this] { onDeleteClick(); };
    editButton->onClick = [this] { onEditClick(); };
    goToButton->onClick = [this] { onGoToClick(); };
    websiteButton->onClick = [this] { onWebsiteClick(); };
    for (int i = 0; i < 3; ++i) copyButtons[i]->onClick = [this, i] { onCopyClick(static_cast<vault::Field>(i)); };
    unlockButton->onClick = [this] { onUnlockClick(); };
    entryList.onColumnClick = [this](int column) { onColumnClick(column); };
}

void MainWindow::onLoad() {
    startSkinSupport(skinning_);
    setCaption(branding_.productName + " by " + branding_.companyName);
    websiteButton->setText("Visit " + branding_.companyWebsite);
    entryList.addColumn("Username", toPixels(copyButtons[0]->width() - 10));
    entryList.addColumn("Password", toPixels(copyButtons[1]->width() + 20));
    entryList.addColumn("Website/Location", toPixels(copyButtons[2]->width()));
    int panelWidth = toPixels(std::abs(width()));
    SendMessageW(statusBar->hwnd(), SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&panelWidth));
    // Told when Windows locks the session, which may lock the vault too.
    WTSRegisterSessionNotification(hwnd(), NOTIFY_FOR_THIS_SESSION);
    host_.askForMasterPassword();
}

void MainWindow::showUnlocked() {
    if (skinning_.skinEnabled) skinWindow(skinning_, *this);
    show();
    idleTimer->setEnabled(true);
    if (helpShownAtStart(host_.settings(), branding_.productName)) host_.showHelpViewer();
    host_.closePasswordDialog();
}

std::string MainWindow::statusText() const {
    if (!statusBar) return {};
    auto length = LOWORD(SendMessageW(statusBar->hwnd(), SB_GETTEXTLENGTHW, 0, 0));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(statusBar->hwnd(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return displayText(text);
}

void MainWindow::setStatusText(const std::string& text) {
    if (!statusBar) return;
    std::wstring wide = widen(text);
    SendMessageW(statusBar->hwnd(), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void MainWindow::onResize() {
    if (minimized() || !entryListControl) return;
    int listWidth = std::abs(width() - 2 * entryListControl->left() - kListRightMargin);
    int listHeight = std::abs(height() - entryListControl->top() - kListBottomMargin);
    entryListControl->move(entryListControl->left(), entryListControl->top(), listWidth, listHeight);
    placeLockedView();
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
bool MainWindow::onQueryEndSession() {
    if (!host_.hasUnsavedChanges() || host_.saveVault(nullptr)) return true;
    ShutdownBlockReasonCreate(hwnd(), L"A change to your entries could not be saved.");
    PostMessageW(hwnd(), WM_CLOSE, 0, 0);
    return false;
}

void MainWindow::onUnload(bool& cancel) {
    bool discard = mayDiscardUnsavedChange();
    ShutdownBlockReasonDestroy(hwnd());
    if (!discard) {
        cancel = true;
        return;
    }
    forgetCopiedPassword(ClipboardWait::Briefly);  // no later try: the program ends
    findBox.unload();
    host_.unloadOtherWindows();
    if (skinning_.skinEnabled) skinSupportOf(skinning_).refresh();
    host_.unloadLinkLauncher();
    host_.endProgramAtOnce();
}

void MainWindow::onColumnClick(int column) { sortByColumn(column, false); }

bool MainWindow::sortByColumn(int column, bool reportErrors) {
    return vk::sortByColumn(entryList, column, reportErrors, [this](bool sorted, int sortKey, vault::SortOrder order) {
        host_.sortEntries(sorted, sortKey, order);
    });
}

void MainWindow::onEncryptionClick() {
    if (unlockedOrAsk()) host_.changeVaultEncryption();
}

void MainWindow::onChangePasswordClick() {
    if (unlockedOrAsk()) host_.changeMasterPassword();
}

void MainWindow::onImportClick() {
    if (unlockedOrAsk()) host_.importEntries(hwnd());
}

void MainWindow::onExportClick() {
    if (unlockedOrAsk()) host_.exportEntries(hwnd());
}

void MainWindow::showVaultEncrypted(bool encrypted) {
    if (encrypted == showsEncrypted_) return;
    showsEncrypted_ = encrypted;
    const UINT_PTR id = static_cast<UINT_PTR>(menuItemId(FileMenu, 0));
    ModifyMenuW(GetMenu(hwnd()), static_cast<UINT>(id), MF_BYCOMMAND | MF_STRING, id,
                encrypted ? L"Remove Encryption..." : L"Encrypt Vault...");
    if (visible()) DrawMenuBar(hwnd());
}

void MainWindow::showLocked(bool locked) {
    // What was searched may say what is in the vault: the find box goes, and its filter with it.
    if (locked) findBox.unload();
    entryList.setLocked(locked);
    // In the list's place, a plain word and the one thing to do; the commands wait for the unlock.
    for (Button* command : {addButton, deleteButton, editButton, goToButton, copyButtons[0], copyButtons[1],
                            copyButtons[2]})
        EnableWindow(command->hwnd(), !locked);
    placeLockedView();
    entryListControl->setVisible(!locked);
    lockedLabel->setVisible(locked);
    unlockButton->setVisible(locked);
    if (locked && IsWindowEnabled(hwnd())) SetFocus(unlockButton->hwnd());
    const UINT_PTR id = static_cast<UINT_PTR>(menuItemId(FileMenu, kLockItem));
    ModifyMenuW(GetMenu(hwnd()), static_cast<UINT>(id), MF_BYCOMMAND | MF_STRING, id,
                locked ? L"Unlock...\tCtrl+L" : L"Lock\tCtrl+L");
    if (visible()) DrawMenuBar(hwnd());
    if (locked) setStatusText("The vault is locked.  Press Ctrl+L, or use any command, to unlock it.");
}

bool MainWindow::unlockedOrAsk() {
    if (!host_.vaultLocked()) return true;
    host_.lockOrUnlock();
    return false;
}

void MainWindow::onOptionsClick() {
    // What the options change (when the vault locks) is the vault's to guard, as every command is.
    if (unlockedOrAsk()) host_.showOptions();
}

void MainWindow::onEarlierVersionsClick() {
    if (unlockedOrAsk()) host_.showEarlierVersions();
}

void MainWindow::onLockClick() { host_.lockOrUnlock(); }

void MainWindow::onUnlockClick() { host_.lockOrUnlock(); }

void MainWindow::placeLockedView() {
    const int middle = entryListControl->left() + entryListControl->width() / 2;
    const int top = entryListControl->top() + std::max(0, entryListControl->height() / 2 - 600);
    lockedLabel->move(middle - kLockedLabelWidth / 2, top, kLockedLabelWidth, lockedLabel->height());
    unlockButton->move(middle - unlockButton->width() / 2, top + 420, unlockButton->width(), unlockButton->height());
}

void MainWindow::onExitClick() { unload(); }

void MainWindow::onViewHelpClick() { host_.showHelpViewer(); }

void MainWindow::onAboutClick() { host_.showAboutBox(); }

void MainWindow::onMenu(int commandId) {
    size_t row = static_cast<size_t>(commandId - kFirstMenuId);
    if (commandId < kFirstMenuId || row >= std::size(kMenuItems)) return;
    kMenuItems[row].run(*this);
}

bool MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_SIZE:
        if (statusBar) SendMessageW(statusBar->hwnd(), WM_SIZE, 0, 0);
        if (wParam == SIZE_MINIMIZED) {
            minimised_ = true;
            host_.windowMinimised();
            return false;
        }
        onResize();
        if (findBox.isLoaded()) findBox.keepBeside();
        // Brought back from the task bar while locked: what the user wants is in, at once.
        if (std::exchange(minimised_, false) && host_.vaultLocked()) host_.lockOrUnlock();
        return false;
    case WM_MOVE:
        if (findBox.isLoaded()) findBox.keepBeside();
        return false;
    case WM_ACTIVATEAPP:
        // Back from another program, which may have changed the vault file.
        if (wParam) host_.mainWindowActivated();
        return false;
    case DM_GETDEFID:
        // Enter anywhere in the locked window unlocks.
        if (!host_.vaultLocked()) return false;
        result = MAKELRESULT(UnlockButton, DC_HASDEFID);
        return true;
    case WM_WTSSESSION_CHANGE:
        if (wParam == WTS_SESSION_LOCK) host_.windowsLocking();
        return false;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMSUSPEND) host_.windowsLocking();
        return false;
    case WM_DESTROY:
        WTSUnRegisterSessionNotification(hwnd());
        return false;
    case WM_NOTIFY:
        return entryList.handleNotify(*reinterpret_cast<const NMHDR*>(lParam), result);
    case WM_QUERYENDSESSION:
        result = onQueryEndSession() ? TRUE : FALSE;
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

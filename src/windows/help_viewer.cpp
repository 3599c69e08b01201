#include "windows/help_viewer.h"

#include <commctrl.h>
#include <richedit.h>


#include "platform/settings.h"
#include "platform/handles.h"
#include "skin/skin.h"

namespace vk {
namespace {

DWORD CALLBACK readFromFile(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* got) {
    DWORD read = 0;
    BOOL ok = ReadFile(reinterpret_cast<HANDLE>(cookie), buffer, static_cast<DWORD>(wanted), &read, nullptr);
    *got = static_cast<LONG>(read);
    return ok ? 0 : 1;
}

// Replaces the box's content with the rich text of the file.
bool loadRichText(HWND box, const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(file.get());
    stream.pfnCallback = readFromFile;
    SendMessageW(box, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    return stream.dwError == 0;
}

}  // namespace

void HelpViewer::create() {
    Frame frame;
    frame.caption = "Readme/Help";
    frame.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    frame.exStyle = WS_EX_DLGMODALFRAME;
    frame.clientWidth = kClientWidth;
    frame.clientHeight = kClientHeight;
    frame.owner = host_.taskbarOwner();  // not in the task bar
    if (!createProgramFrame(frame)) return;
    documentMissing_ = false;
    document = &createControl(ControlKind::RichEdit, Document, MSFTEDIT_CLASS,
                              WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, "",
                              0, 0, 10275, 7515);
    showAtStartupBox = &createCheckBox(ShowAtStartupBox, "Show at Startup", 60, 7620, 1995, 255, BS_3STATE);
    SendMessageW(showAtStartupBox->hwnd(), BM_SETCHECK, BST_CHECKED, 0);
    // A click toggles between cleared and checked only; greyed comes from a stored "2".
    showAtStartupBox->onClick = [this] {
        setShowAtStartupState(showAtStartupState() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    };
}

int HelpViewer::showAtStartupState() const {
    return static_cast<int>(SendMessageW(showAtStartupBox->hwnd(), BM_GETCHECK, 0, 0));
}

void HelpViewer::setShowAtStartupState(int value) {
    if (value == showAtStartupState()) return;
    SendMessageW(showAtStartupBox->hwnd(), BM_SETCHECK, static_cast<WPARAM>(value), 0);
    onShowAtStartupClick();
}

void HelpViewer::onLoad() {
    if (skinning_.skinEnabled) skinWindow(skinning_, *this);
    std::wstring path = host_.programFolder() + L"\\Help.rtf";
    if (!host_.fileExists(path)) {
        documentMissing_ = true;
        return;
    }
    loadRichText(document->hwnd(), path);
    setOnTop(*this, true);
    if (auto state = readShowAtStartup(host_.settings(), branding_.productName)) setShowAtStartupState(*state);
}

void HelpViewer::onShowAtStartupClick() {
    saveShowAtStartup(host_.settings(), branding_.productName, showAtStartupState());
}

}  // namespace vk

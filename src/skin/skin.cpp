#include "skin/skin.h"

#include <algorithm>

#include "platform/keep_on_top.h"
#include "platform/window.h"
#include "skin/skin_control.h"
#include "skin/skin_support.h"

namespace vk {
namespace {

bool isTextBoxLike(const std::string& type) {
    return type == "TextBox" || type == "ComboBox" || type == "FileListBox" || type == "DirListBox" ||
           type == "DriveListBox" || type == "ListBox" || type == "ListView";
}

}  // namespace

SkinSupport& skinSupportOf(Skinning& skinning) {
    if (!skinning.skinSupport) skinning.skinSupport = std::make_unique<SkinSupport>();
    return *skinning.skinSupport;
}

void SkinForm(Skinning& skinning, Window& window) {
    if (!window.isLoaded()) return;
    if (SkinControl* skin = skinning.skinObject) {
        ColorControls(window, static_cast<long>(skin->BackColor()), static_cast<long>(skin->ForeColor()),
                      static_cast<long>(skin->PanelColor()), static_cast<long>(skin->PanelTextColor()));
    }
    if (skinning.isNT6OrLater() && skinning.skinEnabled) ResetFormRegion(window);
    if (SkinControl* skin = skinning.skinObject) skin->ApplySkin(window.hwnd());
}

void ColorControls(Window& window, long backColour, long foreColour, long panelColour, long) {
    auto back = static_cast<COLORREF>(backColour);
    auto fore = static_cast<COLORREF>(foreColour);
    auto panel = static_cast<COLORREF>(panelColour);
    for (const auto& control : window.controls()) {
        const std::string& type = control->typeName();
        bool ok = true;
        if (type == "CommandButton") ok = control->setBackColor(back);
        if (isTextBoxLike(type)) ok = control->setBackColor(back) && control->setForeColor(fore);
        if (type == "PictureBox") ok = control->setBackColor(panel);
        if (!ok) return;
    }
}

bool IsNT6OrLater() {
    OSVERSIONINFOEXA version{};
    version.dwOSVersionInfoSize = 156;  // the extended record, ANSI form
    static_assert(sizeof(OSVERSIONINFOEXA) == 156);
    if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version)) != 1) return false;
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 6;
}

void ResetFormRegion(Window& window) {
    // A region is measured in pixels. The window's outer size in twips, and never less than the
    // largest size the system lets a window grow to, makes a rectangle that no later resize,
    // maximising or DPI outgrows: the region never clips the window.
    int width = std::max({window.width(), GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CXVIRTUALSCREEN)});
    int height = std::max({window.height(), GetSystemMetrics(SM_CYMAXTRACK), GetSystemMetrics(SM_CYVIRTUALSCREEN)});
    HRGN region = CreateRectRgn(0, 0, width, height);
    if (region && !SetWindowRgn(window.hwnd(), region, TRUE)) DeleteObject(region);
    // On success the region belongs to the system.
}

void bindSkin(Skinning& skinning, SkinControl& skn, Window& splash) {
    skinning.skinObject = &skn;
    SkinForm(skinning, splash);
    skinSupportOf(skinning).recordMethod2(skn.extender());
    skinSupportOf(skinning).recordMethod5();
}

void SkinSupportStartup(Skinning& skinning) {
    if (skinning.isNT6OrLater()) skinSupportOf(skinning).recordMethod6();
}

void SetOnTop(Window& window, bool onTop) {
    keepOnTop(window.hwnd(), onTop);
}

}  // namespace vk

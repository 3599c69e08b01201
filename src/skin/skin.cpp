#include "skin/skin.h"

#include <algorithm>

#include "platform/keep_on_top.h"
#include "platform/window.h"
#include "skin/skin_control.h"
#include "skin/skin_support.h"

namespace vk {
namespace {

// Controls that show text on a background of their own: the skin gives them its colours.
bool showsTextOnItsOwnBackground(ControlKind kind) {
    return kind == ControlKind::EditBox || kind == ControlKind::DropDownList || kind == ControlKind::ListView;
}

}  // namespace

SkinSupport& skinSupportOf(Skinning& skinning) {
    if (!skinning.skinSupport) skinning.skinSupport = std::make_unique<SkinSupport>();
    return *skinning.skinSupport;
}

void skinWindow(Skinning& skinning, Window& window) {
    if (!window.isLoaded()) return;
    if (SkinControl* skin = skinning.skin) {
        colourControls(window, static_cast<long>(skin->backColour()), static_cast<long>(skin->foreColour()),
                       static_cast<long>(skin->panelColour()), static_cast<long>(skin->panelTextColour()));
    }
    if (skinning.isNT6OrLater() && skinning.skinEnabled) resetWindowRegion(window);
    if (SkinControl* skin = skinning.skin) skin->apply(window.hwnd());
}

void colourControls(Window& window, long backColour, long foreColour, long panelColour, long) {
    auto back = static_cast<COLORREF>(backColour);
    auto fore = static_cast<COLORREF>(foreColour);
    auto panel = static_cast<COLORREF>(panelColour);
    for (const auto& control : window.controls()) {
        const ControlKind kind = control->kind();
        bool ok = true;
        if (kind == ControlKind::Button) ok = control->setBackColor(back);
        if (showsTextOnItsOwnBackground(kind)) ok = control->setBackColor(back) && control->setForeColor(fore);
        if (kind == ControlKind::Picture) ok = control->setBackColor(panel);
        if (!ok) return;
    }
}

bool systemIsNT6OrLater() {
    OSVERSIONINFOEXA version{};
    version.dwOSVersionInfoSize = 156;  // the extended record, ANSI form
    static_assert(sizeof(OSVERSIONINFOEXA) == 156);
    if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version)) != 1) return false;
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 6;
}

void resetWindowRegion(Window& window) {
    // A region is measured in pixels. The window's outer size in twips, and never less than the
    // largest size the system lets a window grow to, makes a rectangle that no later resize,
    // maximising or DPI outgrows: the region never clips the window.
    int width = std::max({window.width(), GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CXVIRTUALSCREEN)});
    int height = std::max({window.height(), GetSystemMetrics(SM_CYMAXTRACK), GetSystemMetrics(SM_CYVIRTUALSCREEN)});
    HRGN region = CreateRectRgn(0, 0, width, height);
    if (region && !SetWindowRgn(window.hwnd(), region, TRUE)) DeleteObject(region);
    // On success the region belongs to the system.
}

void bindSkin(Skinning& skinning, SkinControl& skin, Window& splash) {
    skinning.skin = &skin;
    skinWindow(skinning, splash);
    skinSupportOf(skinning).attach(skin.extender());
    skinSupportOf(skinning).start();
}

void startSkinSupport(Skinning& skinning) {
    if (skinning.isNT6OrLater()) skinSupportOf(skinning).refresh();
}

void setOnTop(Window& window, bool onTop) { keepOnTop(window.hwnd(), onTop); }

}  // namespace vk

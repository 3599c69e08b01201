#pragma once
// Skinning each window, and keeping chosen windows above all others.
#include <windows.h>

#include <functional>
#include <memory>

#include "skin/skin_support.h"

namespace vk {

class SkinControl;
class Window;

// The program-wide skinning values: the switch, the skin control every window is skinned by, and
// the skin support object.
struct Skinning {
    bool skinEnabled = false;
    SkinControl* skin = nullptr;
    std::unique_ptr<SkinSupport> skinSupport;
    // Which Windows this is, as the skin asks (tests pose as another).
    std::function<bool()> isNT6OrLater;
};

// The program's skin support object, created on first use.
SkinSupport& skinSupportOf(Skinning& skinning);

// Colours the window's controls from the skin, resets its region on NT 6 and later, then has
// the skin control draw it. Every step that fails is skipped.
void skinWindow(Skinning& skinning, Window& window);

// Gives each control the skin's colours by its type: buttons the back colour; text boxes and
// list views the back and fore colours; picture boxes the panel colour; others keep theirs.
// Stops at the first control that refuses a colour.
void colourControls(Window& window, long backColour, long foreColour, long panelColour, long panelTextColour);

bool systemIsNT6OrLater();

// Replaces any shaped region of the window by one that shows the whole window.
void resetWindowRegion(Window& window);

// The skin binding of the splash window's load: the splash's skin control becomes the program's
// skin, the splash is skinned, and the skin support object is started.
void bindSkin(Skinning& skinning, SkinControl& skin, Window& splash);

// First step of the main window's load.
void startSkinSupport(Skinning& skinning);

// True makes the window topmost (and activates it); anything else puts it among ordinary windows.
void setOnTop(Window& window, bool onTop);

}  // namespace vk

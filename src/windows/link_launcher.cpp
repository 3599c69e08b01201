#include "windows/link_launcher.h"

#include "platform/locations.h"

namespace vk {

void LinkLauncher::create() {
    Frame frame;
    frame.style = WS_POPUP;
    frame.exStyle = WS_EX_TOOLWINDOW;
    frame.clientWidth = 1830;
    frame.clientHeight = 1605;
    createFrame(frame);
    if (!hwnd()) return;
    lifetimeTimer = &createTimer(LifetimeTimer, kLifetimeMs);
    lifetimeTimer->onTick = [this] { onLifetimeTimer(); };
    lifetimeTimer->setEnabled(true);
}

void LinkLauncher::onLoad() {
    host_.applyBranding();
    if (linkRequest_ != "Website") return;
    // The browser is asked to show itself normally: a hidden browser window would help nobody.
    host_.shellOpen(withWebScheme(branding_.companyWebsite), SW_SHOWNORMAL);
    linkRequest_.clear();
}

void LinkLauncher::onLifetimeTimer() { unload(); }

}  // namespace vk

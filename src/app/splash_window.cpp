#include "app/splash_window.h"

#include "platform/picture.h"
#include "skin/skin.h"

namespace vk {

void SplashWindow::create() {
    Frame frame;
    frame.style = WS_POPUP;
    frame.exStyle = WS_EX_TOOLWINDOW;  // no task bar button
    frame.clientWidth = kPictureWidth;
    frame.clientHeight = kPictureHeight;
    createFrame(frame);
    if (!hwnd()) return;
    ticks_ = 0;
    picture = &createControl(ControlKind::Image, Picture, L"STATIC", WS_VISIBLE | SS_BITMAP, 0, "", 0, 0,
                             kPictureWidth, kPictureHeight);
    picture_ = loadPictureResource(kPicture, dpi(), toPixels(kPictureWidth), toPixels(kPictureHeight));
    SendMessageW(picture->hwnd(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.get()));
    handOverTimer = &createTimer(HandOverTimer, host_.splashTickMs());
    handOverTimer->onTick = [this] { onHandOverTimer(); };
}

void SplashWindow::onLoad() {
    // The window takes the picture's size.
    SetWindowPos(hwnd(), nullptr, 0, 0, toPixels(picture->width()), toPixels(picture->height()),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    host_.applyBranding();
    if (skinning_.skinEnabled) bindSkin(skinning_, skin, *this);
    handOverTimer->setEnabled(true);
}

void SplashWindow::onHandOverTimer() {
    if (++ticks_ != kHandOverTicks) return;
    handOverTimer->setEnabled(false);
    host_.handOverFromSplash();
}

}  // namespace vk

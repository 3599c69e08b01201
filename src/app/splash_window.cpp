#include "app/splash_window.h"

#include "app/branding.h"
#include "app/program.h"
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
    splashProgress = 0;
    Image1 = &addControl("Image1", -1, "Image", L"STATIC", WS_VISIBLE | SS_BITMAP, 0, "", 0, 0, kPictureWidth,
                         kPictureHeight);
    picture_ = loadPictureResource(kPicture, dpi(), toPixels(kPictureWidth), toPixels(kPictureHeight));
    SendMessageW(Image1->hwnd(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.get()));
    Timer2 = &addTimer("Timer2", app_.env.splashTickMs);
    Timer2->onTick = [this] { Timer2_Timer(); };
}

void SplashWindow::Form_Load() {
    // The window takes the picture's size.
    SetWindowPos(hwnd(), nullptr, 0, 0, toPixels(Image1->width()), toPixels(Image1->height()),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    applyBranding(app_);
    if (app_.skinEnabled) bindSkin(app_, skn, *this);
    Timer2->setEnabled(true);
}

void SplashWindow::Timer2_Timer() {
    splashProgress = static_cast<short>(splashProgress + 2);
    if (splashProgress != kHandOverProgress) return;
    Timer2->setEnabled(false);
    app_.Form1.load();
    app_.Form1.show();
    hide();
}

}  // namespace vk

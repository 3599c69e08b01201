#pragma once
// The splash window, the window the program starts on: a picture, shown for about one second, after
// which it loads the main window and hides itself. It stays loaded, hidden, carrying the skin
// control, until the main window closes.
#include "platform/handles.h"
#include "platform/picture.h"
#include "platform/window.h"
#include "resource_ids.h"
#include "skin/skin_control.h"

namespace vk {

struct Skinning;

class SplashWindow : public Window {
public:
    static constexpr int kPictureWidth = 7170;  // twips
    static constexpr int kPictureHeight = 4770;
    static constexpr int kHandOverTicks = 75;
    static constexpr ScaledPicture kPicture{IDR_SPLASH_JPEG, IDR_SPLASH_JPEG_150, IDR_SPLASH_JPEG_200};

    enum ControlId : int { Picture = kFirstControlId };
    enum TimerId : UINT_PTR { HandOverTimer = 1 };

    // What the splash asks of the program around it.
    class Host {
    public:
        // Reads the branding values, and switches the skin on.
        virtual void applyBranding() = 0;
        // How long a tick of the splash's timer lasts.
        virtual unsigned splashTickMs() const = 0;
        // The splash has shown long enough: the main window takes over.
        virtual void handOverFromSplash() = 0;

    protected:
        ~Host() = default;
    };

    SplashWindow(Host& host, Skinning& skinning) : host_(host), skinning_(skinning) {}

    // The program's skin control, `skin`.
    SkinControl skin;
    // The ticks of handOverTimer so far.
    int ticks() const { return ticks_; }

    void onHandOverTimer();

protected:
    void create() override;
    void onLoad() override;

private:
    Timer* handOverTimer = nullptr;
    Control* picture = nullptr;

    Host& host_;
    Skinning& skinning_;
    Bitmap picture_;
    int ticks_ = 0;
};

}  // namespace vk

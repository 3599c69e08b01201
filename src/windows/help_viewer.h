#pragma once
// The help viewer: shows Help.rtf from the program's folder, and its "Show at Startup"
// box keeps the setting that decides whether it opens at every start.
#include <optional>
#include <string>

#include "platform/app_info.h"
#include "platform/window.h"

namespace vk {

struct SettingsStore;
struct Skinning;

class HelpViewer : public Window {
public:
    static constexpr int kClientWidth = 10290;  // twips
    static constexpr int kClientHeight = 7920;

    enum ControlId : int { Document = kFirstControlId, ShowAtStartupBox };

    // What the viewer asks of the program around it.
    class Host {
    public:
        virtual SettingsStore& settings() = 0;
        // The folder of the executable, where the help document lies.
        virtual std::wstring programFolder() const = 0;
        // Whether an ordinary file is at the path, found as the vault is.
        virtual bool fileExists(const std::wstring& path) = 0;
        // The hidden window that owns the viewer, keeping it out of the task bar.
        virtual HWND taskbarOwner() = 0;

    protected:
        ~Host() = default;
    };

    HelpViewer(Host& host, const Branding& branding, Skinning& skinning)
        : host_(host), branding_(branding), skinning_(skinning) {}

    void onShowAtStartupClick();
    // The check box's state: 0 cleared, 1 checked, 2 greyed.
    int showAtStartupState() const;
    void setShowAtStartupState(int value);

protected:
    void create() override;
    void onLoad() override;
    bool mayShow() const override { return !documentMissing_; }

private:
    Control* document = nullptr;
    CheckBox* showAtStartupBox = nullptr;

    Host& host_;
    const Branding& branding_;
    Skinning& skinning_;
    bool documentMissing_ = false;
};

}  // namespace vk

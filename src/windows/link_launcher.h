#pragma once
// The link launcher, never shown: loading it opens the requested web address in the browser, and it
// removes itself ten seconds later. A request made while it is still loaded opens nothing.
#include <string>

#include "platform/app_info.h"
#include "platform/window.h"

namespace vk {

class LinkLauncher : public Window {
public:
    enum TimerId : UINT_PTR { LifetimeTimer = 1 };

    static constexpr UINT kLifetimeMs = 10000;

    // What the launcher asks of the program around it.
    class Host {
    public:
        // Reads the branding values afresh.
        virtual void applyBranding() = 0;
        // Has the shell open the address, asking the program it starts for this window state.
        virtual void shellOpen(const std::string& address, int showCommand) = 0;

    protected:
        ~Host() = default;
    };

    // `linkRequest` is the request tag the caller sets before loading the launcher.
    LinkLauncher(Host& host, const Branding& branding, std::string& linkRequest)
        : host_(host), branding_(branding), linkRequest_(linkRequest) {}

    void onLifetimeTimer();

protected:
    void create() override;
    void onLoad() override;
    bool mayShow() const override { return false; }

private:
    Timer* lifetimeTimer = nullptr;

    Host& host_;
    const Branding& branding_;
    std::string& linkRequest_;
};

}  // namespace vk

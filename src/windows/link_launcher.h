#pragma once
// frmWebsite, never shown: loading it opens the requested web address in the browser, and it
// removes itself ten seconds later. A request made while it is still loaded opens nothing.
#include "platform/window.h"

namespace vk {

class Program;

class LinkLauncher : public Window {
public:
    static constexpr UINT kLifetimeMs = 10000;

    explicit LinkLauncher(Program& app) : app_(app) {}

    Timer* Timer1 = nullptr;
    void Timer1_Timer();

protected:
    void create() override;
    void Form_Load() override;
    bool mayShow() const override { return false; }

private:
    Program& app_;
};

}  // namespace vk

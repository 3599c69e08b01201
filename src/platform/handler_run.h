#pragma once
// One run of a handler at a time. A window that a box or a long step holds disabled takes no
// input, but a BM_CLICK (an accessibility tool's default action) still reaches its buttons: a
// second run would start inside the first.
namespace vk {

class HandlerRun {
public:
    explicit HandlerRun(bool& running) : running_(running), entered_(!running) { running_ = true; }
    ~HandlerRun() {
        if (entered_) running_ = false;
    }
    HandlerRun(const HandlerRun&) = delete;
    HandlerRun& operator=(const HandlerRun&) = delete;

    // False when the handler was already running: this run must do nothing.
    bool entered() const { return entered_; }

private:
    bool& running_;
    bool entered_;
};

}  // namespace vk

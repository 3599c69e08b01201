// A handler in front of a control: it sees the control's messages first, passes on what it does
// not take, is the only one, and goes with the control.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "platform/control_front.h"

namespace vk {
namespace {

class CountingFront : public ControlFront {
public:
    CountingFront(int& seen, bool& freed) : seen_(seen), freed_(freed) {}
    ~CountingFront() override { freed_ = true; }
    LRESULT message(HWND control, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SETTEXT) ++seen_;
        return callOriginal(control, message, wParam, lParam);
    }

private:
    int& seen_;
    bool& freed_;
};

HWND makeEdit() {
    return CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

TEST(ControlFront, SeesTheControlsMessagesFirstForItsLifeAndGoesWithIt) {
    int seen = 0, seenBySecond = 0;
    bool freed = false, secondFreed = false;
    HWND edit = makeEdit();
    ASSERT_TRUE(edit);
    ASSERT_TRUE(putInFront(edit, std::make_unique<CountingFront>(seen, freed)));
    SetWindowTextW(edit, L"typed");
    EXPECT_EQ(seen, 1);
    wchar_t text[16] = L"";
    GetWindowTextW(edit, text, 16);
    EXPECT_STREQ(text, L"typed");  // passed on to the control itself

    // One handler a control; a control whose user data is someone else's is not taken over.
    EXPECT_FALSE(putInFront(edit, std::make_unique<CountingFront>(seenBySecond, secondFreed)));
    EXPECT_TRUE(secondFreed);
    HWND other = makeEdit();
    SetWindowLongPtrW(other, GWLP_USERDATA, 42);
    EXPECT_FALSE(putInFront(other, std::make_unique<CountingFront>(seenBySecond, secondFreed)));
    EXPECT_EQ(frontOf(other), nullptr);
    DestroyWindow(other);

    EXPECT_FALSE(freed);
    DestroyWindow(edit);
    EXPECT_TRUE(freed);
}

}  // namespace
}  // namespace vk

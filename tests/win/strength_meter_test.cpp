// The strength line under a new master password, and the question before a weak one is used: as
// the password dialogs will use them, on a form of their own.
#include <windows.h>
#include <gtest/gtest.h>

#include "gate/strength_meter.h"
#include "passwords/password_strength.h"
#include "test_support.h"

namespace vk::test {
namespace {

// A password box with the strength line under it.
class NewPasswordForm : public Window {
public:
    Control* box = nullptr;
    Control* line = nullptr;

protected:
    void create() override {
        Frame frame;
        frame.caption = "New Password";
        frame.clientWidth = 6000;
        frame.clientHeight = 1000;
        if (!createProgramFrame(frame)) return;
        box = &createTextBox("newBox", 120, 120, 4000, 315, ES_PASSWORD);
        line = &createLabel("strengthLabel", "", 120, 500, 5760, 255);
        box->onChange = [this] { showStrength(*box, *line); };
    }
};

TEST(StrengthMeter, TheLineFollowsWhatIsTypedAndAWeakPasswordIsAskedAbout) {
    NewPasswordForm form;
    form.load();
    ASSERT_TRUE(form.isLoaded());
    for (const char* typed : {"pass", "password", "Tq8#vLm2&Xw9!pZr", ""}) {
        setText(form.box, typed);
        EXPECT_EQ(form.line->text(), passwords::strengthLine(typed)) << typed;
    }

    MessageBoxes boxes;
    EXPECT_TRUE(mayUseWeakPassword(form.hwnd(), "Tq8#vLm2&Xw9!pZr", "Vellumkeep"));  // strong: nothing asked
    boxes.answer(IDNO);
    EXPECT_FALSE(mayUseWeakPassword(form.hwnd(), "password", "Vellumkeep"));
    boxes.answer(IDYES);
    EXPECT_TRUE(mayUseWeakPassword(form.hwnd(), "Summer1987", "Vellumkeep"));
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].text, weakPasswordQuestion("password"));
    EXPECT_EQ(boxes.seen()[1].text, weakPasswordQuestion("Summer1987"));
    for (const SeenBox& box : boxes.seen()) {
        EXPECT_TRUE(box.hasYes && box.hasNo && !box.hasCancel);
        EXPECT_EQ(box.owner, form.hwnd());
    }
    EXPECT_EQ(weakPasswordQuestion("password").rfind(passwords::strengthLine("password"), 0), 0u);
}

}  // namespace
}  // namespace vk::test

// The strength line under a new master password, in the dialogs where one is typed: it follows
// what is typed; the gate shows it only when a password is created.
#include <windows.h>
#include <gtest/gtest.h>

#include "passwords/password_strength.h"
#include "test_support.h"

namespace vk::test {
namespace {

// Types a few passwords into the box and checks the line each time.
void expectLineFollows(Window& dialog, const char* box, const char* line) {
    for (const char* typed : {"pass", "Summer1987", "Tq8#vLm2&Xw9!pZr", ""}) {
        setText(dialog.findControl(box), typed);
        EXPECT_EQ(dialog.findControl(line)->text(), passwords::strengthLine(typed)) << typed;
    }
}

TEST(StrengthMeter, TheLineFollowsTheNewPasswordInEachDialogThatTakesOne) {
    TestProgram program;
    program.loadMainWindow();  // no vault yet: a new master password is asked for
    ASSERT_TRUE(program->passwordDialog.creatingPassword());
    {
        SCOPED_TRACE("the first start");
        expectLineFollows(program->passwordDialog, "passwordBox", "strengthLabel");
    }
    setText(program->passwordDialog.findControl("passwordBox"), "first pass");
    setText(program->passwordDialog.findControl("retypeBox"), "first pass");
    click(program->passwordDialog.findControl("okButton"));
    ASSERT_TRUE(program->mainWindow.visible());

    program->vaultKeyDialog.open(VaultKeyDialog::Purpose::ChangePassword);
    {
        SCOPED_TRACE("changing the master password");
        expectLineFollows(program->vaultKeyDialog, "newBox", "statusLabel");
    }
    program->vaultKeyDialog.unload();
    program->vaultKeyDialog.open(VaultKeyDialog::Purpose::Encrypt);
    {
        SCOPED_TRACE("encrypting the vault");
        expectLineFollows(program->vaultKeyDialog, "currentBox", "statusLabel");
    }
}

TEST(StrengthMeter, TheGateShowsNoLineWhenThePasswordIsEntered) {
    TestProgram program;
    program.writeVault("master");
    program.loadMainWindow();
    ASSERT_FALSE(program->passwordDialog.creatingPassword());
    setText(program->passwordDialog.findControl("passwordBox"), "pass");
    EXPECT_FALSE(program->passwordDialog.findControl("strengthLabel")->visible());
}

}  // namespace
}  // namespace vk::test

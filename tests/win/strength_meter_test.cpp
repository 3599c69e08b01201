// The strength line under a new master password, in the dialogs where one is typed: it follows
// what is typed; the gate shows it only when a password is created.
#include <windows.h>
#include <gtest/gtest.h>

#include "passwords/password_strength.h"
#include "test_support.h"

namespace vk::test {
namespace {

// Types a few passwords into the box and checks the line each time.
void expectLineFollows(Window& dialog, int box, int line) {
    for (const char* typed : {"pass", "Summer1987", "Tq8#vLm2&Xw9!pZr", ""}) {
        setText(dialog.control(box), typed);
        EXPECT_EQ(dialog.control(line)->text(), passwords::strengthLine(typed)) << typed;
    }
}

TEST(StrengthMeter, TheLineFollowsTheNewPasswordInEachDialogThatTakesOne) {
    TestProgram program;
    program.loadMainWindow();  // no vault yet: a new master password is asked for
    ASSERT_TRUE(program->passwordDialog().creatingPassword());
    {
        SCOPED_TRACE("the first start");
        expectLineFollows(program->passwordDialog(), PasswordDialog::PasswordBox, PasswordDialog::StrengthLabel);
    }
    setText(program->passwordDialog().control(PasswordDialog::PasswordBox), "first pass");
    setText(program->passwordDialog().control(PasswordDialog::RetypeBox), "first pass");
    click(program->passwordDialog().control(PasswordDialog::OkButton));
    ASSERT_TRUE(program->mainWindow().visible());

    program->vaultKeyDialog().open(VaultKeyDialog::Purpose::ChangePassword);
    {
        SCOPED_TRACE("changing the master password");
        expectLineFollows(program->vaultKeyDialog(), VaultKeyDialog::NewBox, VaultKeyDialog::StatusLabel);
    }
    program->vaultKeyDialog().unload();
    program->vaultKeyDialog().open(VaultKeyDialog::Purpose::Encrypt);
    {
        SCOPED_TRACE("encrypting the vault");
        expectLineFollows(program->vaultKeyDialog(), VaultKeyDialog::CurrentBox, VaultKeyDialog::StatusLabel);
    }
}

TEST(StrengthMeter, TheGateShowsNoLineWhenThePasswordIsEntered) {
    TestProgram program;
    program.writeVault("master");
    program.loadMainWindow();
    ASSERT_FALSE(program->passwordDialog().creatingPassword());
    setText(program->passwordDialog().control(PasswordDialog::PasswordBox), "pass");
    EXPECT_FALSE(program->passwordDialog().control(PasswordDialog::StrengthLabel)->visible());
}

}  // namespace
}  // namespace vk::test

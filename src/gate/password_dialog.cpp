#include "gate/password_dialog.h"

#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/text.h"
#include "skin/skin.h"
#include "skin/skin_label.h"
#include "vault/entry_rules.h"

namespace vk {
namespace {

constexpr int kGap = 60;
constexpr int kFrameAllowance = 500;  // border and title bar below the buttons
constexpr int kEnterModeHeight = 1845;

}  // namespace

void PasswordDialog::create() {
    Frame frame;
    frame.caption = "Password Required";
    frame.style = kFixedSingleBorder;
    frame.clientWidth = kClientWidth;
    frame.clientHeight = 3000;  // set at load by the mode
    if (!createProgramFrame(frame)) return;

    SkinLabel1 = &addSkinLabel(*this, "SkinLabel1", -1, "", 120, 60, 6615, 315);
    SkinLabel2 = &addSkinLabel(*this, "SkinLabel2", -1, "Password:", 120, 0, 915, 255);
    txtPass = &addTextBox("txtPass", 1740, 0, 4995, 315, ES_PASSWORD);
    SkinLabel3 = &addSkinLabel(*this, "SkinLabel3", -1, "Retype Password:", 120, 0, 1935, 255);
    txtPass2 = &addTextBox("txtPass2", 1740, 0, 4995, 315, ES_PASSWORD);
    cmdOK = &addButton("cmdOK", -1, "Ok", 4500, 0, 1095, 495);
    cmdCancel = &addButton("cmdCancel", -1, "Cancel", 5700, 0, 1035, 495);
    Timer1 = &addTimer("Timer1", 100);
    for (Control* box : {txtPass, txtPass2}) SendMessageW(box->hwnd(), EM_SETPASSWORDCHAR, L'*', 0);
    // Each box right after its label: screen readers name a box by the label before it.
    setTabOrder({cmdOK, cmdCancel, SkinLabel2, txtPass, SkinLabel3, txtPass2});
    // The password box takes the first keystroke, although the buttons come first in tab order.
    setInitialFocus(txtPass);

    cmdOK->onClick = [this] { cmdOK_Click(); };
    cmdCancel->onClick = [this] { cmdCancel_Click(); };
    txtPass->onKeyPress = [this](wchar_t key) { return txtPass_KeyPress(key); };
    // Enter in the confirmation box confirms too.
    txtPass2->onKeyPress = [this](wchar_t key) { return txtPass_KeyPress(key); };
    Timer1->onTick = [this] { Timer1_Timer(); };
    Timer1->setEnabled(true);
}

void PasswordDialog::openToCreate() {
    creating_ = true;
    load();
    show();
}

void PasswordDialog::openToEnter() {
    creating_ = false;
    load();
    show();
}

void PasswordDialog::Form_Load() {
    host_.hideMainWindow();
    passwordTries = 0;
    if (creating_)
        layOutCreateMode();
    else
        layOutEnterMode();
    centreOnScreen();
    bringToFront();
    SetOnTop(*this, true);
    doEvents();
    if (!isLoaded()) return;
    txtPass->setText("");
    if (skinning_.skinEnabled) SkinForm(skinning_, *this);
}

void PasswordDialog::layOutCreateMode() {
    SkinLabel1->setText("Because this is the first time you have used " + branding_.productName +
                        ", you will need to create a master password.  This password will be required to open "
                        "the program from now on, and can not be reset.\r\n\r\n"
                        "Please enter a password that you will not forget.");
    SkinLabel1->setHeight(1500);
    // Worked out in twips and converted once: a top read back from a control is rounded to
    // whole pixels, and adding those up would make the dialog a pixel short.
    const int passTop = 1700;
    const int pass2Top = passTop + txtPass->height() + kGap;
    const int buttonsTop = pass2Top + txtPass2->height() + kGap;
    txtPass->setTop(passTop);
    txtPass2->setTop(pass2Top);
    cmdOK->setTop(buttonsTop);
    cmdCancel->setTop(buttonsTop);
    SkinLabel3->setTop(pass2Top);
    SkinLabel3->setVisible(true);
    SkinLabel2->setTop(passTop);
    txtPass2->setVisible(true);
    setHeight(buttonsTop + cmdOK->height() + kGap + kFrameAllowance);
}

void PasswordDialog::layOutEnterMode() {
    setHeight(kEnterModeHeight);
    SkinLabel1->setText("Please enter your password");
    txtPass->setTop(360);
    cmdOK->setTop(780);
    cmdCancel->setTop(780);
    SkinLabel3->setVisible(false);
    SkinLabel2->setTop(txtPass->top());
    txtPass2->setVisible(false);
}

void PasswordDialog::Timer1_Timer() {
    host_.hideMainWindow();
}

bool PasswordDialog::txtPass_KeyPress(wchar_t key) {
    if (key != L'\r') return false;
    cmdOK_Click();
    return true;
}

void PasswordDialog::cmdOK_Click() {
    if (creating_)
        createModeOK();
    else
        enterModeOK();
}

void PasswordDialog::showCreateModeMessage(const std::string& text, bool emptyBoxes) {
    SetOnTop(*this, false);
    messageBox(hwnd(), text, host_.appTitle(), MB_OK);
    if (emptyBoxes) {
        txtPass2->setText("");
        txtPass->setText("");
    }
    SetOnTop(*this, true);
}

void PasswordDialog::createModeOK() {
    std::wstring first = wideWindowText(txtPass->hwnd());
    if (first.size() < kMinimumLength) {
        showCreateModeMessage("You must enter a password that is at least 4 characters long", false);
        return;
    }
    if (wideWindowText(txtPass2->hwnd()) != first) {
        showCreateModeMessage("Your passwords did not match.  Please try again.", true);
        return;
    }
    // The vault stores the password as one line of the code page: refuse what it cannot carry.
    AnsiText password = narrow(first);
    std::string problem = password.complete ? vault::masterPasswordProblem(password.text)
                                            : vault::outsideCodePageProblem("password");
    if (!problem.empty()) {
        showCreateModeMessage(problem, true);
        return;
    }
    accepted_ = true;
    Timer1->setEnabled(false);
    host_.createVault(password.text);
}

void PasswordDialog::enterModeOK() {
    AnsiText typed = windowText(txtPass->hwnd());
    // A character outside the code page can never be part of the stored password.
    if (typed.complete && host_.isMasterPassword(typed.text)) {
        accepted_ = true;
        Timer1->setEnabled(false);
        host_.unlockVault(typed.text);
        return;
    }
    int choice = messageBox(hwnd(), "Sorry, the password you entered was not correct.", "Incorrect Password",
                            MB_RETRYCANCEL);
    if (choice != IDRETRY) {
        Timer1->setEnabled(false);
        host_.endProgramAtOnce();
        return;
    }
    ++passwordTries;
    if (passwordTries == kMaxTries) {
        messageBox(hwnd(), "Only 3 tries allowed.  Click Ok to close.", host_.appTitle(), MB_OK);
        Timer1->setEnabled(false);
        host_.endProgramAtOnce();
        return;
    }
    txtPass->setText("");
}

void PasswordDialog::cmdCancel_Click() {
    Timer1->setEnabled(false);
    host_.endProgramAtOnce();
}

void PasswordDialog::Form_Unload(bool&) {
    if (!accepted_) host_.endProgramAtOnce();
}

}  // namespace vk

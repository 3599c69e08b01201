#include "gate/password_dialog.h"

#include <algorithm>

#include "gate/strength_meter.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "platform/wipe.h"
#include "skin/skin.h"
#include "skin/skin_label.h"
#include "vault/entry_rules.h"

namespace vk {
namespace {

constexpr int kGap = 60;
constexpr int kFrameAllowance = 500;  // border and title bar below the buttons
constexpr int kEnterModeHeight = 1845;
constexpr const char* kEnterPassword = "Please enter your password";
constexpr const char* kChecking = "Checking the password...";

}  // namespace

void PasswordDialog::create() {
    Frame frame;
    frame.caption = "Password Required";
    frame.style = kFixedSingleBorder;
    frame.clientWidth = kClientWidth;
    frame.clientHeight = 3000;  // set at load by the mode
    if (!createProgramFrame(frame)) return;

    messageLabel = &createSkinLabel(*this, MessageLabel, "", 120, 60, 6615, 315);
    passwordLabel = &createSkinLabel(*this, PasswordLabel, "Password:", 120, 0, 915, 255);
    passwordBox = &createEditBox(PasswordBox, 1740, 0, 4995, 315, ES_AUTOHSCROLL | ES_PASSWORD);
    retypeLabel = &createSkinLabel(*this, RetypeLabel, "Retype Password:", 120, 0, 1935, 255);
    retypeBox = &createEditBox(RetypeBox, 1740, 0, 4995, 315, ES_AUTOHSCROLL | ES_PASSWORD);
    strengthLabel = &createSkinLabel(*this, StrengthLabel, "", 120, 0, 4260, 495);
    okButton = &createButton(OkButton, "Ok", 4500, 0, 1095, 495);
    cancelButton = &createButton(CancelButton, "Cancel", 5700, 0, 1035, 495);
    hideMainWindowTimer = &createTimer(HideMainWindowTimer, 100);
    nextTryTimer = &createTimer(NextTryTimer, kFirstWaitMs);
    for (EditBox* box : {passwordBox, retypeBox}) SendMessageW(box->hwnd(), EM_SETPASSWORDCHAR, L'*', 0);
    // Each box right after its label: screen readers name a box by the label before it.
    setTabOrder({okButton, cancelButton, passwordLabel, passwordBox, retypeLabel, retypeBox});
    // The retype label is wider than the room before its box and lies above the box in that
    // order; the box still draws over it (the label leaves it that part), as the password box
    // does over the message label in enter mode.
    HWND retype = retypeBox->hwnd();
    SetWindowLongW(retype, GWL_STYLE, GetWindowLongW(retype, GWL_STYLE) & ~WS_CLIPSIBLINGS);
    // The password box takes the first keystroke, although the buttons come first in tab order.
    setInitialFocus(passwordBox);

    okButton->onClick = [this] { onOkClick(); };
    cancelButton->onClick = [this] { onCancelClick(); };
    passwordBox->onKeyPress = [this](wchar_t key) { return onPasswordKey(key); };
    // Enter in the confirmation box confirms too.
    retypeBox->onKeyPress = [this](wchar_t key) { return onPasswordKey(key); };
    passwordBox->onChange = [this] {
        if (creating_) showStrength(*passwordBox, *strengthLabel);
    };
    hideMainWindowTimer->onTick = [this] { onHideMainWindowTimer(); };
    nextTryTimer->onTick = [this] { onNextTryTimer(); };
}

void PasswordDialog::openToCreate() {
    creating_ = true;
    unlocking_ = false;
    afterWrongTries_ = AfterWrongTries::End;
    load();
    show();
}

void PasswordDialog::openToEnter() {
    creating_ = false;
    unlocking_ = false;
    afterWrongTries_ = AfterWrongTries::End;
    load();
    show();
}

void PasswordDialog::openToUnlock(HWND over, AfterWrongTries afterWrongTries) {
    if (isLoaded()) return show();
    creating_ = false;
    unlocking_ = true;
    afterWrongTries_ = afterWrongTries;
    unlockOver_ = over;
    load();
    show();
}

void PasswordDialog::switchToCreate() {
    if (!isLoaded()) return openToCreate();
    creating_ = true;
    handedOver_ = false;
    wrongTries_ = 0;
    layOutCreateMode();
    centreOnScreen();
    passwordBox->setText("");
    retypeBox->setText("");
    keepMainWindowHidden(true);
    SetFocus(passwordBox->hwnd());
}

void PasswordDialog::onLoad() {
    keepMainWindowHidden(!unlocking_);
    wrongTries_ = 0;
    handedOver_ = false;
    if (creating_)
        layOutCreateMode();
    else
        layOutEnterMode();
    if (unlocking_)
        centreOver(unlockOver_);
    else
        centreOnScreen();
    bringToFront();
    setOnTop(*this, true);
    UpdateWindow(hwnd());  // drawn whole at once, before the skin takes over its painting
    passwordBox->setText("");
    if (skinning_.skinEnabled) skinWindow(skinning_, *this);
}

void PasswordDialog::layOutCreateMode() {
    messageLabel->setText("Because this is the first time you have used " + branding_.productName +
                          ", you will need to create a master password.  This password will be required to open "
                          "the program from now on, and can not be reset.\r\n\r\n"
                          "Please enter a password that you will not forget.");
    messageLabel->setHeight(1500);
    // Worked out in twips and converted once: a top read back from a control is rounded to
    // whole pixels, and adding those up would make the dialog a pixel short.
    const int passTop = 1700;
    const int pass2Top = passTop + passwordBox->height() + kGap;
    const int buttonsTop = pass2Top + retypeBox->height() + kGap;
    passwordBox->setTop(passTop);
    retypeBox->setTop(pass2Top);
    okButton->setTop(buttonsTop);
    cancelButton->setTop(buttonsTop);
    // Beside the buttons, under the boxes: how strong the new password is, as it is typed.
    strengthLabel->setTop(buttonsTop);
    strengthLabel->setVisible(true);
    retypeLabel->setTop(pass2Top);
    retypeLabel->setVisible(true);
    passwordLabel->setTop(passTop);
    retypeBox->setVisible(true);
    setHeight(buttonsTop + okButton->height() + kGap + kFrameAllowance);
}

void PasswordDialog::layOutEnterMode() {
    setHeight(kEnterModeHeight);
    messageLabel->setText(kEnterPassword);
    passwordBox->setTop(360);
    okButton->setTop(780);
    cancelButton->setTop(780);
    retypeLabel->setVisible(false);
    strengthLabel->setVisible(false);
    passwordLabel->setTop(passwordBox->top());
    retypeBox->setVisible(false);
}

void PasswordDialog::onHideMainWindowTimer() { host_.hideMainWindow(); }

void PasswordDialog::keepMainWindowHidden(bool hidden) {
    // The locked main window stays in sight behind the dialog that unlocks it.
    if (hidden && unlocking_) hidden = false;
    if (hidden) host_.hideMainWindow();
    hideMainWindowTimer->setEnabled(hidden);
}

bool PasswordDialog::onPasswordKey(wchar_t key) {
    if (key != L'\r') return false;
    onOkClick();
    return true;
}

void PasswordDialog::onOkClick() {
    // A BM_CLICK (an accessibility tool's default action) still reaches the button while the
    // program checks the password handed over: it waits for the answer.
    if (handedOver_ || nextTryTimer->enabled()) return;
    if (creating_)
        confirmNewPassword();
    else
        handOverEnteredPassword();
}

void PasswordDialog::showCreateModeMessage(const std::string& text, bool emptyBoxes) {
    setOnTop(*this, false);
    messageBox(hwnd(), text, host_.appTitle(), MB_OK);
    if (emptyBoxes) {
        retypeBox->setText("");
        passwordBox->setText("");
    }
    setOnTop(*this, true);
}

NewPassword checkNewPassword(const std::wstring& typed, const std::wstring& retyped) {
    if (typed.size() < PasswordDialog::kMinimumLength)
        return {"You must enter a password that is at least 4 characters long", false, {}};
    if (retyped != typed) return {"Your passwords did not match.  Please try again.", true, {}};
    // The vault stores the password as one line of the code page: refuse what it cannot carry.
    AnsiText password = narrow(typed);
    WipedWhenDone wiped(password.text);
    std::string problem = password.complete ? vault::masterPasswordProblem(password.text)
                                            : vault::outsideCodePageProblem("password");
    if (!problem.empty()) return {problem, true, {}};
    return {{}, false, password.text};
}

void PasswordDialog::confirmNewPassword() {
    std::wstring typed = wideWindowText(passwordBox->hwnd()), retyped = wideWindowText(retypeBox->hwnd());
    WipedWhenDone wipedTyped(typed), wipedRetyped(retyped);
    NewPassword checked = checkNewPassword(typed, retyped);
    WipedWhenDone wiped(checked.password);
    if (!checked.problem.empty()) {
        showCreateModeMessage(checked.problem, checked.emptyBoxes);
        return;
    }
    handedOver_ = true;
    keepMainWindowHidden(false);
    host_.newPasswordChosen(std::move(checked.password));
}

void PasswordDialog::handOverEnteredPassword() {
    AnsiText typed = secretWindowText(passwordBox->hwnd());
    WipedWhenDone wiped(typed.text);
    // A character outside the code page can never be part of the master password.
    if (!typed.complete) return refuseWrongPassword();
    handedOver_ = true;
    keepMainWindowHidden(false);
    // An encrypted vault's key takes a moment, during which the dialog paints but takes nothing.
    messageLabel->setText(kChecking);
    host_.passwordEntered(std::move(typed.text));
}

void PasswordDialog::refuseWrongPassword() {
    if (handedOver_) {
        messageLabel->setText(kEnterPassword);
        handedOver_ = false;
        keepMainWindowHidden(true);
    }
    int choice = messageBox(hwnd(), "Sorry, the password you entered was not correct.", "Incorrect Password",
                            MB_RETRYCANCEL);
    if (choice != IDRETRY) {
        keepMainWindowHidden(false);
        host_.passwordDialogCancelled();
        return;
    }
    ++wrongTries_;
    if (wrongTries_ >= kMaxTries && afterWrongTries_ == AfterWrongTries::Wait) return waitBeforeNextTry();
    if (wrongTries_ == kMaxTries) {
        messageBox(hwnd(), "Only 3 tries allowed.  Click Ok to close.", host_.appTitle(), MB_OK);
        keepMainWindowHidden(false);
        host_.wrongTriesUsedUp();
        return;
    }
    passwordBox->setText("");
}

void PasswordDialog::waitBeforeNextTry() {
    // 30 seconds after the third wrong try, twice as long after each one more, five minutes at most.
    const int doublings = wrongTries_ - kMaxTries;
    const UINT waitMs = doublings >= 4 ? kLongestWaitMs : std::min(kFirstWaitMs << doublings, kLongestWaitMs);
    passwordBox->setText("");
    EnableWindow(passwordBox->hwnd(), FALSE);
    EnableWindow(okButton->hwnd(), FALSE);
    const UINT seconds = waitMs / 1000;
    messageLabel->setText(std::to_string(wrongTries_) + " wrong passwords.  The next try is taken in " +
                          (seconds % 60 ? std::to_string(seconds) + " seconds." :
                                          std::to_string(seconds / 60) + (seconds == 60 ? " minute." : " minutes.")));
    nextTryTimer->setInterval(waitMs);
    nextTryTimer->setEnabled(true);
}

void PasswordDialog::onNextTryTimer() {
    nextTryTimer->setEnabled(false);
    messageLabel->setText(kEnterPassword);
    EnableWindow(passwordBox->hwnd(), TRUE);
    EnableWindow(okButton->hwnd(), TRUE);
    SetFocus(passwordBox->hwnd());
}

void PasswordDialog::onCancelClick() {
    // Once a password is handed over, the program's answer decides: a Cancel that still reaches
    // the disabled button (an accessibility tool's default action) would end the program at start,
    // or be overtaken by an unlock.
    if (handedOver_) return;
    keepMainWindowHidden(false);
    host_.passwordDialogCancelled();
}

void PasswordDialog::onUnload(bool&) {
    if (!handedOver_) host_.passwordDialogCancelled();
}

}  // namespace vk

#pragma once
// The master password dialog, the only way into the program: it asks for a new master password twice (first start)
// or for the master password (every later start), and keeps the main window hidden meanwhile. It hands
// what the user gave back to the program, which acts on it (opens the vault, says the password was
// wrong, closes the dialog) once the dialog's own handler is over.
#include <string>

#include "platform/app_info.h"
#include "platform/window.h"

namespace vk {

struct Skinning;

// A new master password typed twice, checked as every dialog that takes one checks it: the
// message that says why it cannot be taken (too short, the copies differ, a character the vault
// cannot store) and whether both boxes are emptied; or none, and the password in the code page.
struct NewPassword {
    std::string problem;
    bool emptyBoxes = false;
    std::string password;
};
NewPassword checkNewPassword(const std::wstring& typed, const std::wstring& retyped);

class PasswordDialog : public Window {
public:
    static constexpr int kClientWidth = 6855;  // twips
    static constexpr int kMaxTries = 3;
    static constexpr size_t kMinimumLength = 4;

    enum ControlId : int {
        MessageLabel = kFirstControlId,
        PasswordLabel,
        PasswordBox,
        RetypeLabel,
        RetypeBox,
        StrengthLabel,
        OkButton,
        CancelButton,
    };
    enum TimerId : UINT_PTR { HideMainWindowTimer = 1, NextTryTimer };
    // What the third wrong password does: ends the program, or makes the next try wait (a locked
    // vault whose change is not saved yet: ending would lose it).
    enum class AfterWrongTries { End, Wait };
    static constexpr UINT kFirstWaitMs = 30'000;
    static constexpr UINT kLongestWaitMs = 300'000;

    // What the dialog asks of the program around it. The dialog's results are handed over here; the
    // program acts on them only after the dialog's handler has returned, and answers through
    // refuseWrongPassword, switchToCreate or by closing the dialog.
    class Host {
    public:
        virtual void hideMainWindow() = 0;
        // The password typed at a later start, to be checked.
        virtual void passwordEntered(std::string password) = 0;
        // A new master password, typed twice and fit to be stored.
        virtual void newPasswordChosen(std::string password) = 0;
        // Cancel, the close box, or Cancel in the box of a wrong password.
        virtual void passwordDialogCancelled() = 0;
        // The third wrong password.
        virtual void wrongTriesUsedUp() = 0;
        virtual const std::string& appTitle() const = 0;

    protected:
        ~Host() = default;
    };

    PasswordDialog(Host& host, const Branding& branding, Skinning& skinning)
        : host_(host), branding_(branding), skinning_(skinning) {}

    // Opens the dialog to create the first master password, or to enter it at a later start.
    void openToCreate();
    void openToEnter();
    // Opens the dialog to enter the master password of the locked vault, centred over the window
    // `over`, which it leaves in sight.
    void openToUnlock(HWND over, AfterWrongTries afterWrongTries);
    bool unlocking() const { return unlocking_; }
    // The vault changed while the dialog asked for its password and now has none: the open dialog
    // asks for a new one instead.
    void switchToCreate();
    bool creatingPassword() const { return creating_; }

    // Wrong passwords after which the user chose to try again.
    int wrongTries() const { return wrongTries_; }

    // The program's answer to a password handed over: it is not the master password. The user is
    // told so, and tries again or cancels.
    void refuseWrongPassword();

    void onOkClick();
    void onCancelClick();
    void onHideMainWindowTimer();
    void onNextTryTimer();
    bool onPasswordKey(wchar_t key);

protected:
    void create() override;
    void onLoad() override;
    void onUnload(bool& cancel) override;

private:
    Control* messageLabel = nullptr;
    Control* passwordLabel = nullptr;
    EditBox* passwordBox = nullptr;
    Control* retypeLabel = nullptr;
    EditBox* retypeBox = nullptr;
    Control* strengthLabel = nullptr;  // a new password's strength, in create mode
    Button* okButton = nullptr;
    Button* cancelButton = nullptr;
    Timer* hideMainWindowTimer = nullptr;
    Timer* nextTryTimer = nullptr;  // ends the wait before the next try

    // Keeps the main window out of sight while the gate is open, but for an unlock.
    void keepMainWindowHidden(bool hidden);
    void layOutCreateMode();
    void layOutEnterMode();
    void confirmNewPassword();
    void handOverEnteredPassword();
    // After too many wrong tries: the next try is taken once a wait, longer each time, is over.
    void waitBeforeNextTry();
    // The create-mode boxes let go of the topmost place while they are shown; `emptyBoxes`
    // empties both password boxes before the dialog takes it back.
    void showCreateModeMessage(const std::string& text, bool emptyBoxes);

    Host& host_;
    const Branding& branding_;
    Skinning& skinning_;
    bool creating_ = false;
    bool unlocking_ = false;
    HWND unlockOver_ = nullptr;
    AfterWrongTries afterWrongTries_ = AfterWrongTries::End;
    // A password was handed over: the dialog's closing no longer ends the program, and OK waits for
    // the program's answer.
    bool handedOver_ = false;
    int wrongTries_ = 0;
};

}  // namespace vk

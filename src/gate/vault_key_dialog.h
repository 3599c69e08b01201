#pragma once
// The dialog that changes what protects the vault, for one of four purposes: encrypt the vault,
// remove its encryption, change its master password, or take the master password that the vault
// file got elsewhere (another computer changed it). Each asks for a master password first;
// changing it also asks for the new one twice. It hands what was typed to the
// program, which checks it, saves the vault and closes the dialog, or answers with a refusal.
#include <string>
#include <string_view>

#include "platform/app_info.h"
#include "platform/text.h"
#include "platform/window.h"

namespace vk {

struct Skinning;

class VaultKeyDialog : public Window {
public:
    enum class Purpose { Encrypt, RemoveEncryption, ChangePassword, OpenChangedVault };
    static constexpr int kClientWidth = 6855;  // twips, as the password dialog

    // Each password box's id follows its label's.
    enum ControlId : int {
        MessageLabel = kFirstControlId,
        CurrentLabel,
        CurrentBox,
        NewLabel,
        NewBox,
        RetypeLabel,
        RetypeBox,
        StatusLabel,
        OkButton,
        CancelButton,
    };

    // What the user typed, as OK hands it over; every copy of a password in it is wiped with it.
    struct Request {
        Purpose purpose = Purpose::Encrypt;
        AnsiText current;          // the master password, as the user typed it
        std::wstring newPassword;  // to change it: the new one, and the new one typed again
        std::wstring retyped;
        Request() = default;
        Request(Request&&) = default;
        Request& operator=(Request&&) = default;
        ~Request();
    };

    // What the dialog asks of the program around it. The program acts on a request only after the
    // dialog's handler has returned, answering through the dialog's functions below.
    class Host {
    public:
        virtual void vaultKeyChangeAsked(Request request) = 0;
        // The dialog closed, its purpose done or not.
        virtual void vaultKeyDialogClosed(Purpose purpose) = 0;
        virtual const std::string& appTitle() const = 0;

    protected:
        ~Host() = default;
    };

    VaultKeyDialog(Host& host, Skinning& skinning) : host_(host), skinning_(skinning) {}

    // Opens the dialog for a purpose; while it is open, another request only brings it forward.
    void open(Purpose purpose);
    Purpose purpose() const { return purpose_; }

    // The program's answers while it works on a request. The status line says what takes a
    // moment; the refusals say why nothing changed, in a box, and empty the boxes concerned.
    void showWorking(const std::string& what);
    // The status line as the user types: the strength of the password the vault is to get.
    void showPasswordStrength();
    void refuseCurrentPassword();
    void refuseNewPassword(const std::string& problem, bool emptyBoxes);
    // The request is done with and the dialog stays: it takes OK again.
    void requestDone() { requested_ = false; }
    // What the status line says once the purpose is done, before the time of the save.
    std::string doneText() const;

    void onOkClick();
    void onCancelClick();

protected:
    void create() override;
    void onLoad() override;
    void onUnload(bool& cancel) override;

private:
    bool changing() const { return purpose_ == Purpose::ChangePassword; }
    // A box with a password the user must correct: the message, then the boxes emptied.
    void refuse(const std::string& message, bool emptyNewBoxes);
    // The box of the password the vault is to be sealed with, if the purpose gives it a new one
    // (the current password, for Encrypt); the status line shows its strength as it is typed.
    EditBox* passwordGettingStrength() const;

    Control* messageLabel = nullptr;
    Control* currentLabel = nullptr;
    EditBox* currentBox = nullptr;
    Control* newLabel = nullptr;
    EditBox* newBox = nullptr;
    Control* retypeLabel = nullptr;
    EditBox* retypeBox = nullptr;
    Control* statusLabel = nullptr;  // the new password's strength, or what takes a moment while it does
    Button* okButton = nullptr;
    Button* cancelButton = nullptr;

    Host& host_;
    Skinning& skinning_;
    Purpose purpose_ = Purpose::Encrypt;
    bool requested_ = false;  // a request is handed over, and OK waits for the program's answer
};

}  // namespace vk

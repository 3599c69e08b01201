#pragma once
// The dialog that changes what protects the vault, for one of three purposes: encrypt the vault,
// remove its encryption, or change its master password. Each asks for the current master
// password first; changing it also asks for the new one twice.
#include <string>

#include "platform/app_info.h"
#include "platform/window.h"
#include "vault/vault_session.h"

namespace vk {

struct Skinning;

class VaultKeyDialog : public Window {
public:
    enum class Purpose { Encrypt, RemoveEncryption, ChangePassword };
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

    // What the dialog asks of the program around it.
    class Host {
    public:
        // Whether the password is the vault's master password (a failure is told in a box modal
        // to `owner`).
        virtual bool isMasterPassword(HWND owner, const std::string& password) = 0;
        // Saves the vault in `format` under `password`; true when saved. A failure was told in a
        // box modal to `owner`, and the vault is as it was.
        virtual bool saveWithNewKey(HWND owner, const std::string& password, vault::VaultFormat format,
                                    const std::string& done) = 0;
        // The format the vault is kept in now.
        virtual vault::VaultFormat vaultFormat() const = 0;
        virtual const std::string& appTitle() const = 0;

    protected:
        ~Host() = default;
    };

    VaultKeyDialog(Host& host, Skinning& skinning) : host_(host), skinning_(skinning) {}

    // Opens the dialog for a purpose; while it is open, another request only brings it forward.
    void open(Purpose purpose);
    Purpose purpose() const { return purpose_; }

    void onOkClick();
    void onCancelClick();

protected:
    void create() override;
    void onLoad() override;

private:
    bool changing() const { return purpose_ == Purpose::ChangePassword; }
    // A box with a password the user must correct: the message, then the boxes emptied.
    void refuse(const std::string& message, bool emptyNewBoxes);
    // The box of the password the vault is to be sealed with, if the purpose gives it a new one
    // (the current password, for Encrypt); the status line shows its strength as it is typed.
    EditBox* passwordGettingStrength() const;
    void showPasswordStrength();

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
    bool working_ = false;  // true while OK's work runs
};

}  // namespace vk

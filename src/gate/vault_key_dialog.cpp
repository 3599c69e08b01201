#include "gate/vault_key_dialog.h"

#include "gate/strength_meter.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "platform/wipe.h"
#include "skin/skin.h"
#include "skin/skin_label.h"

namespace vk {
namespace {

constexpr int kGap = 60;
constexpr int kBoxLeft = 2640;  // right of the longest label, "Retype New Password:"
constexpr int kBoxWidth = 4095;
constexpr int kBoxHeight = 315;
constexpr int kButtonHeight = 495;

struct Wording {
    const char* caption;
    const char* message;
    int messageHeight;  // twips
    const char* currentLabel;
    const char* done;  // on the status line, before the time of the save
};

const Wording& wordingFor(VaultKeyDialog::Purpose purpose) {
    static const Wording kEncrypt{
        "Encrypt Vault",
        "Encrypting protects the vault file itself: without the master password nobody who gets a copy of it "
        "can read your entries.  Type your master password to encrypt the vault with it.\r\n\r\n"
        "Older copies and backups of the vault file still show the current master password to anyone who opens "
        "them: choose a new master password after encrypting.",
        1680, "Master Password:", "The vault is encrypted."};
    static const Wording kRemove{
        "Remove Encryption",
        "The vault will be saved scrambled again, as it was before it was encrypted: anyone who gets a copy of "
        "the file can then read every password in it, and the master password too.\r\n\r\n"
        "Type your master password to remove the encryption.",
        1260, "Master Password:", "The encryption is removed."};
    static const Wording kChange{"Change Master Password",
                                 "Choose a new master password that you will not forget: it cannot be reset.", 420,
                                 "Current Password:", "The master password is changed."};
    static const Wording kChanged{
        "Vault Changed Elsewhere",
        "Another program saved the vault file with another master password: its master password was changed on "
        "another computer, or by another copy of Vellumkeep.\r\n\r\nType that master password to bring in "
        "the file's changes; it guards the vault from now on.  Cancel leaves the file as it is.",
        1260, "Its Master Password:", "The vault's changes are brought in."};
    switch (purpose) {
    case VaultKeyDialog::Purpose::Encrypt: return kEncrypt;
    case VaultKeyDialog::Purpose::RemoveEncryption: return kRemove;
    case VaultKeyDialog::Purpose::OpenChangedVault: return kChanged;
    case VaultKeyDialog::Purpose::ChangePassword: break;
    }
    return kChange;
}

}  // namespace

void VaultKeyDialog::open(Purpose purpose) {
    if (isLoaded()) return show();
    purpose_ = purpose;
    load();
    show();
}

void VaultKeyDialog::create() {
    const Wording& words = wordingFor(purpose_);
    Frame frame;
    frame.caption = words.caption;
    frame.style = kFixedSingleBorder;
    frame.clientWidth = kClientWidth;
    // The message, then one row per password box, then the buttons.
    const int firstRow = 60 + words.messageHeight + kGap;
    const int rows = changing() ? 3 : 1;
    const int buttonsTop = firstRow + rows * (kBoxHeight + kGap) + kGap;
    frame.clientHeight = buttonsTop + kButtonHeight + 120;
    if (!createProgramFrame(frame)) return;

    messageLabel = &createSkinLabel(*this, MessageLabel, words.message, 120, 60, 6615, words.messageHeight);
    auto row = [&](int index, int labelId, const char* caption, Control*& label, EditBox*& box) {
        const int top = firstRow + index * (kBoxHeight + kGap);
        label = &createSkinLabel(*this, labelId, caption, 120, top + 30, kBoxLeft - 180, 255);
        box = &createEditBox(labelId + 1, kBoxLeft, top, kBoxWidth, kBoxHeight, ES_AUTOHSCROLL | ES_PASSWORD);
        SendMessageW(box->hwnd(), EM_SETPASSWORDCHAR, L'*', 0);
        box->onKeyPress = [this](wchar_t key) {
            if (key != L'\r') return false;
            onOkClick();
            return true;
        };
    };
    row(0, CurrentLabel, words.currentLabel, currentLabel, currentBox);
    if (changing()) {
        row(1, NewLabel, "New Password:", newLabel, newBox);
        row(2, RetypeLabel, "Retype New Password:", retypeLabel, retypeBox);
    }
    // Two lines beside the buttons: the strength of the password the vault gets, or what takes a
    // moment while it does.
    statusLabel = &createSkinLabel(*this, StatusLabel, "", 120, buttonsTop, 4260, kButtonHeight);
    if (EditBox* box = passwordGettingStrength()) box->onChange = [this] { showPasswordStrength(); };
    okButton = &createButton(OkButton, "OK", 4500, buttonsTop, 1095, kButtonHeight);
    cancelButton = &createButton(CancelButton, "Cancel", 5700, buttonsTop, 1035, kButtonHeight);
    // Each box right after its label: screen readers name a box by the label before it.
    if (changing())
        setTabOrder({currentLabel, currentBox, newLabel, newBox, retypeLabel, retypeBox, okButton, cancelButton});
    else
        setTabOrder({currentLabel, currentBox, okButton, cancelButton});
    okButton->onClick = [this] { onOkClick(); };
    cancelButton->onClick = [this] { onCancelClick(); };
}

void VaultKeyDialog::onLoad() {
    requested_ = false;
    standAboveKeptOnTop();
    centreOnScreen();
    if (skinning_.skinEnabled) skinWindow(skinning_, *this);
}

EditBox* VaultKeyDialog::passwordGettingStrength() const {
    switch (purpose_) {
    case Purpose::Encrypt: return currentBox;
    case Purpose::ChangePassword: return newBox;
    case Purpose::RemoveEncryption:
    case Purpose::OpenChangedVault: break;
    }
    return nullptr;
}

void VaultKeyDialog::showPasswordStrength() {
    if (EditBox* box = passwordGettingStrength())
        showStrength(*box, *statusLabel);
    else
        statusLabel->setText("");
}

void VaultKeyDialog::refuse(const std::string& message, bool emptyNewBoxes) {
    messageBox(hwnd(), message, host_.appTitle(), MB_OK | MB_ICONWARNING);
    if (emptyNewBoxes && changing()) {
        retypeBox->setText("");
        newBox->setText("");
    }
}

VaultKeyDialog::Request::~Request() {
    wipeSecret(current.text);
    wipeSecret(newPassword);
    wipeSecret(retyped);
}

void VaultKeyDialog::onOkClick() {
    // A BM_CLICK (an accessibility tool's default action) still reaches the button while the
    // program works on the request: it waits for the answer.
    if (requested_) return;
    Request request;
    request.purpose = purpose_;
    request.current = secretWindowText(currentBox->hwnd());
    if (changing()) {
        request.newPassword = wideWindowText(newBox->hwnd());
        request.retyped = wideWindowText(retypeBox->hwnd());
    }
    requested_ = true;
    host_.vaultKeyChangeAsked(std::move(request));
}

void VaultKeyDialog::showWorking(const std::string& what) { statusLabel->setText(what); }

void VaultKeyDialog::refuseCurrentPassword() {
    refuse(purpose_ == Purpose::OpenChangedVault
               ? "The password you entered is not the vault file's master password.  Nothing was changed."
               : "The password you entered is not your master password.  Nothing was changed.",
           false);
    currentBox->setText("");
}

void VaultKeyDialog::refuseNewPassword(const std::string& problem, bool emptyBoxes) { refuse(problem, emptyBoxes); }

std::string VaultKeyDialog::doneText() const { return wordingFor(purpose_).done; }

void VaultKeyDialog::onCancelClick() {
    // Once OK has handed a request over, the program's answer decides: a Cancel that still reaches
    // the disabled button would close the dialog under the work, which would go on without it.
    if (!requested_) unload();
}

void VaultKeyDialog::onUnload(bool&) { host_.vaultKeyDialogClosed(purpose_); }

}  // namespace vk

#include "gate/vault_key_dialog.h"

#include "gate/password_dialog.h"
#include "gate/strength_meter.h"
#include "platform/handler_run.h"
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
    switch (purpose) {
    case VaultKeyDialog::Purpose::Encrypt: return kEncrypt;
    case VaultKeyDialog::Purpose::RemoveEncryption: return kRemove;
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
    standAboveKeptOnTop();
    centreOnScreen();
    if (skinning_.skinEnabled) skinWindow(skinning_, *this);
}

EditBox* VaultKeyDialog::passwordGettingStrength() const {
    switch (purpose_) {
    case Purpose::Encrypt: return currentBox;
    case Purpose::ChangePassword: return newBox;
    case Purpose::RemoveEncryption: break;
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

void VaultKeyDialog::onOkClick() {
    HandlerRun run(working_);  // no second OK inside the first while a key is derived
    if (!run.entered()) return;
    AnsiText current = secretWindowText(currentBox->hwnd());
    WipedWhenDone wipedCurrent(current.text);
    // An encrypted vault's keys take a moment each, during which the dialog paints but takes nothing.
    statusLabel->setText("Checking the password...");
    const bool right = current.complete && host_.isMasterPassword(hwnd(), current.text);
    showPasswordStrength();
    if (!right) {
        refuse("The password you entered is not your master password.  Nothing was changed.", false);
        currentBox->setText("");
        return;
    }
    std::string password = current.text;
    WipedWhenDone wipedPassword(password);
    vault::VaultFormat format = purpose_ == Purpose::Encrypt ? vault::VaultFormat::Encrypted
                                                             : vault::VaultFormat::Scrambled;
    if (changing()) {
        std::wstring typed = wideWindowText(newBox->hwnd()), retyped = wideWindowText(retypeBox->hwnd());
        WipedWhenDone wipedTyped(typed), wipedRetyped(retyped);
        NewPassword checked = checkNewPassword(typed, retyped);
        WipedWhenDone wipedNew(checked.password);
        if (!checked.problem.empty()) return refuse(checked.problem, checked.emptyBoxes);
        wipeSecret(password);  // before the assignment, which may let go of its buffer
        password = checked.password;
        format = host_.vaultFormat();
    }
    // The only thing between a stolen copy of an encrypted vault and its entries is this password.
    if (format == vault::VaultFormat::Encrypted && !mayUseWeakPassword(hwnd(), password, host_.appTitle())) return;
    statusLabel->setText("Saving the vault...");
    const bool saved = host_.saveWithNewKey(hwnd(), password, format, wordingFor(purpose_).done);
    if (saved) return unload();
    showPasswordStrength();
}

void VaultKeyDialog::onCancelClick() { unload(); }

}  // namespace vk

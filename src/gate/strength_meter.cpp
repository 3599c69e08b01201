#include "gate/strength_meter.h"

#include "passwords/password_strength.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "platform/window.h"
#include "platform/wipe.h"

namespace vk {

void showStrength(const Control& passwordBox, Control& line) {
    const SecretText typed = secretWindowText(passwordBox.hwnd());
    line.setText(passwords::strengthLine(typed.text));
}

std::string weakPasswordQuestion(std::string_view password) {
    return passwords::strengthLine(password) +
           ".\r\n\r\nWhoever gets a copy of the encrypted vault could find this master password by guessing. "
           "A longer one, or a few unrelated words, is much harder to guess.\r\n\r\nUse it anyway?";
}

bool mayUseWeakPassword(HWND owner, std::string_view password, const std::string& title) {
    if (passwords::estimateStrength(password).level != passwords::StrengthLevel::Weak) return true;
    return messageBox(owner, weakPasswordQuestion(password), title, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

}  // namespace vk

#include "mainwindow/options_dialog.h"

#include "platform/message_box.h"
#include "skin/skin.h"
#include "skin/skin_label.h"

namespace vk {
namespace {

constexpr int kMargin = 120;
constexpr int kRowHeight = 360;
constexpr int kCheckHeight = 285;
constexpr int kButtonHeight = 495;
constexpr int kButtonsTop = OptionsDialog::kClientHeight - kMargin - kButtonHeight;

}  // namespace

void OptionsDialog::open(const Options& options) {
    if (isLoaded()) return show();
    shown_ = options;
    load();
    show();
}

void OptionsDialog::create() {
    Frame frame;
    frame.caption = "Options";
    frame.style = kFixedSingleBorder;
    frame.clientWidth = kClientWidth;
    frame.clientHeight = kClientHeight;
    if (!createProgramFrame(frame)) return;

    // "Lock after [5] minutes without use": the box between its two labels.
    lockAfterLabel = &createSkinLabel(*this, LockAfterLabel, "Lock after", kMargin, kMargin + 45, 975, 255);
    minutesBox = &createEditBox(MinutesBox, 1110, kMargin, 660, 315, ES_AUTOHSCROLL | ES_NUMBER);
    minutesLabel = &createSkinLabel(*this, MinutesLabel, "minutes without use", 1890, kMargin + 45, 3720, 255);
    auto checkBox = [this](int id, const char* caption, int row) {
        return &createCheckBox(id, caption, kMargin, kMargin + 120 + row * kRowHeight, kClientWidth - 2 * kMargin,
                               kCheckHeight);
    };
    sessionLockBox = checkBox(SessionLockBox, "Lock when Windows is locked or goes to sleep", 1);
    minimisedBox = checkBox(MinimisedBox, "Lock when minimised", 2);
    showPasswordsBox = checkBox(ShowPasswordsBox, "Show passwords in the list", 3);
    // "Keep [10] earlier versions", as the first row.
    const int versionsTop = kMargin + 120 + 4 * kRowHeight + 60;
    keepLabel = &createSkinLabel(*this, KeepLabel, "Keep", kMargin, versionsTop + 45, 975, 255);
    versionsBox = &createEditBox(VersionsBox, 1110, versionsTop, 660, 315, ES_AUTOHSCROLL | ES_NUMBER);
    versionsLabel = &createSkinLabel(*this, VersionsLabel, "earlier versions", 1890, versionsTop + 45, 3720, 255);
    okButton = &createButton(OkButton, "OK", kClientWidth - kMargin - 1035 - 105 - 1095, kButtonsTop, 1095,
                             kButtonHeight);
    cancelButton = &createButton(CancelButton, "Cancel", kClientWidth - kMargin - 1035, kButtonsTop, 1035,
                                 kButtonHeight);
    // The box right after the label before it: screen readers name it "Lock after".
    setTabOrder({lockAfterLabel, minutesBox, minutesLabel, sessionLockBox, minimisedBox, showPasswordsBox, keepLabel,
                 versionsBox, versionsLabel, okButton, cancelButton});
    okButton->onClick = [this] { onOkClick(); };
    cancelButton->onClick = [this] { onCancelClick(); };
}

void OptionsDialog::onLoad() {
    minutesBox->setText(std::to_string(shown_.lockAfterMinutes));
    sessionLockBox->setChecked(shown_.lockOnSessionLock);
    minimisedBox->setChecked(shown_.lockWhenMinimised);
    showPasswordsBox->setChecked(shown_.showPasswords);
    versionsBox->setText(std::to_string(shown_.versionsKept));
    standAboveKeptOnTop();
    centreOnScreen();
    if (skinning_.skinEnabled) skinWindow(skinning_, *this);
}

void OptionsDialog::onMenu(int commandId) {
    // Enter and Escape, as a dialog's keys.
    if (commandId == IDOK) onOkClick();
    if (commandId == IDCANCEL) onCancelClick();
}

void OptionsDialog::onOkClick() {
    Options chosen;
    const std::optional<int> minutes = parseLockMinutes(minutesBox->text());
    if (!minutes) {
        messageBox(hwnd(),
                   "Type the minutes as a whole number from 0 to " + std::to_string(Options::kMostLockMinutes) +
                       " (0: never lock for want of use).",
                   host_.appTitle(), MB_OK | MB_ICONWARNING);
        SetFocus(minutesBox->hwnd());
        return;
    }
    const std::optional<int> versions = parseVersionsKept(versionsBox->text());
    if (!versions) {
        messageBox(hwnd(),
                   "Type the number of earlier versions to keep as a whole number from 0 to " +
                       std::to_string(Options::kMostVersionsKept) + " (0: keep none).",
                   host_.appTitle(), MB_OK | MB_ICONWARNING);
        SetFocus(versionsBox->hwnd());
        return;
    }
    chosen.lockAfterMinutes = *minutes;
    chosen.versionsKept = *versions;
    chosen.lockOnSessionLock = sessionLockBox->checked();
    chosen.lockWhenMinimised = minimisedBox->checked();
    chosen.showPasswords = showPasswordsBox->checked();
    host_.optionsChosen(chosen);
    unload();
}

}  // namespace vk

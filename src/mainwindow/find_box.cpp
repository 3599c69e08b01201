#include "mainwindow/find_box.h"

#include "skin/skin.h"
#include "skin/skin_label.h"

namespace vk {
namespace {

// A timer's message comes only once no key or paint is waiting: the text then holds every key typed.
constexpr UINT kRetryMs = USER_TIMER_MINIMUM;

}  // namespace

void FindBox::open(HWND owner) {
    if (!isLoaded()) owner_ = owner;
    show();
    if (!findTextBox) return;
    focusOn(findTextBox->hwnd());
    SendMessageW(findTextBox->hwnd(), EM_SETSEL, 0, -1);
}

void FindBox::create() {
    Frame frame;
    frame.caption = "Find";
    frame.style = kFixedSingleBorder;
    frame.clientWidth = kClientWidth;
    frame.clientHeight = kClientHeight;
    frame.owner = owner_;  // it stays above the main window, and goes and comes back with it
    if (!createProgramFrame(frame)) return;

    findLabel = &createSkinLabel(*this, FindLabel, "Find:", 120, 105, 600, 255);
    findTextBox = &createEditBox(FindTextBox, 780, 60, 3795, 315);
    retryTimer = &createTimer(RetryTimer, kRetryMs);
    // The box right after its label: screen readers name it "Find:".
    setTabOrder({findLabel, findTextBox});
    setInitialFocus(findTextBox);
    findTextBox->onChange = [this] { onTextChange(); };
    findTextBox->onKeyPress = [this](wchar_t key) { return onKey(key); };
    retryTimer->onTick = [this] { onRetryTimer(); };
}

void FindBox::onLoad() {
    standAboveKeptOnTop();
    keepBeside();
    if (skinning_.skinEnabled) skinWindow(skinning_, *this);
}

void FindBox::keepBeside() { placeBeside(owner_); }

void FindBox::onTextChange() { showMatches(); }

void FindBox::onRetryTimer() { showMatches(); }

void FindBox::showMatches() {
    retryTimer->setEnabled(!host_.findTextChanged(windowText(findTextBox->hwnd())));
}

bool FindBox::onKey(wchar_t key) {
    if (key != L'\r') return false;
    host_.firstMatchChosen();
    return true;
}

void FindBox::onMenu(int commandId) {
    // Escape, as a dialog's key.
    if (commandId == IDCANCEL) unload();
}

void FindBox::onUnload(bool&) {
    // What was searched may say what is in the vault: it goes, and is not left in freed memory.
    findTextBox->onChange = nullptr;
    wipeBoxText(findTextBox->hwnd());
    host_.findClosed();
}

}  // namespace vk

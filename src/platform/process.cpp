#include "platform/process.h"

namespace vk {

void endProgramNow() {
    ExitProcess(0);
}

void dispatchMessage(MSG& msg) {
    // Tab, arrow keys and mnemonics move between the controls of our windows, as in a dialog.
    HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (top && (GetWindowLongW(top, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) && IsDialogMessageW(top, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

int runMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) dispatchMessage(msg);
    return static_cast<int>(msg.wParam);
}

}  // namespace vk

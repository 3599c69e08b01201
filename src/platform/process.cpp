#include "platform/process.h"

#include "platform/window.h"

namespace vk {

void endProgramNow() {
    ExitProcess(0);
}

void dispatchMessage(MSG& msg) {
    // Tab, arrow keys and mnemonics move between the controls of our windows, as in a dialog.
    HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (const Window* window = Window::fromHandle(top); window && window->translateAccelerator(msg)) return;
    if (top && (GetWindowLongW(top, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) && IsDialogMessageW(top, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool keyWaiting() {
    MSG msg;
    // Input and posted messages only: a message another program sends is not handled here.
    return PeekMessageW(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN,
                        PM_NOREMOVE | PM_NOYIELD | PM_QS_INPUT | PM_QS_POSTMESSAGE);
}

int runMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) dispatchMessage(msg);
    return static_cast<int>(msg.wParam);
}

}  // namespace vk

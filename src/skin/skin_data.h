#pragma once
// The program's skin: colours and the look of its windows, kept as a resource of key=value lines
// ("back=255,255,255"). Unknown keys are ignored and missing keys keep their defaults.
#include <windows.h>

#include <string_view>

namespace vk {

struct SkinData {
    // The four colours the skin reports to the program.
    COLORREF back = RGB(255, 255, 255);
    COLORREF fore = RGB(0, 0, 0);
    COLORREF panel = RGB(235, 235, 235);
    COLORREF panelText = RGB(0, 0, 0);

    // How the skin draws windows.
    COLORREF clientTop = RGB(246, 248, 251);
    COLORREF clientBottom = RGB(226, 232, 240);
    COLORREF labelText = RGB(28, 43, 64);
    COLORREF buttonTop = RGB(255, 255, 255);
    COLORREF buttonBottom = RGB(226, 233, 242);
    COLORREF buttonHotTop = RGB(240, 247, 255);
    COLORREF buttonHotBottom = RGB(203, 224, 247);
    COLORREF buttonPressedTop = RGB(188, 210, 236);
    COLORREF buttonPressedBottom = RGB(222, 233, 246);
    COLORREF buttonBorder = RGB(120, 144, 176);
    COLORREF buttonHotBorder = RGB(52, 110, 178);
    COLORREF buttonText = RGB(22, 38, 60);
    COLORREF buttonDisabledText = RGB(150, 158, 170);
    COLORREF focus = RGB(52, 110, 178);
    int buttonRadius = 6;  // pixels at 96 DPI

    static SkinData parse(std::string_view text);
};

}  // namespace vk

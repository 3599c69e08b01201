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
    COLORREF clientTop = RGB(251, 247, 239);
    COLORREF clientBottom = RGB(236, 226, 206);
    COLORREF labelText = RGB(46, 59, 76);
    COLORREF buttonTop = RGB(255, 255, 255);
    COLORREF buttonBottom = RGB(239, 230, 211);
    COLORREF buttonHotTop = RGB(255, 251, 240);
    COLORREF buttonHotBottom = RGB(243, 226, 189);
    COLORREF buttonPressedTop = RGB(221, 202, 164);
    COLORREF buttonPressedBottom = RGB(241, 231, 209);
    COLORREF buttonBorder = RGB(168, 146, 110);
    COLORREF buttonHotBorder = RGB(150, 58, 48);
    COLORREF buttonText = RGB(46, 59, 76);
    COLORREF buttonDisabledText = RGB(163, 153, 138);
    COLORREF focus = RGB(150, 58, 48);
    int buttonRadius = 6;  // pixels at 96 DPI

    static SkinData parse(std::string_view text);
};

}  // namespace vk

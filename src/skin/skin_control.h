#pragma once
// The skin control that sits on the splash window: it holds the program's one skin, reports its
// four colours, and skins each window it is given for the rest of that window's life.
#include <windows.h>

#include <vector>

#include "skin/skin_data.h"

namespace vk {

class SkinControl {
public:
    SkinControl();  // loads the skin from the program's resources
    explicit SkinControl(const SkinData& data) : data_(data) {}

    // The four colours, as OLE colours (0x00BBGGRR).
    COLORREF backColour() const { return data_.back; }
    COLORREF foreColour() const { return data_.fore; }
    COLORREF panelColour() const { return data_.panel; }
    COLORREF panelTextColour() const { return data_.panelText; }

    // From this call on the window is drawn with the skin, until it is destroyed.
    void apply(HWND window);

    // The control's extender object, handed on unexamined to the skin support object.
    const void* extender() const { return this; }

    const SkinData& data() const { return data_; }
    // The windows skinned so far, in order.
    const std::vector<HWND>& recordedSkinnedWindows() const { return skinned_; }

private:
    SkinData data_;
    std::vector<HWND> skinned_;
};

}  // namespace vk

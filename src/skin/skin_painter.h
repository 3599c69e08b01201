#pragma once
// Draws a skinned window: its client background, its push buttons in every state, and the
// colours of its labels, for as long as the window lives.
#include <windows.h>

#include "platform/handles.h"

#include "skin/skin_data.h"

namespace vk {

// `skin` must outlive the window. Push buttons become owner-drawn (their class stays "Button");
// static text and check boxes draw over the background, unless the program gave them colours.
void installSkin(HWND window, const SkinData& skin);

// The skin a window was given by installSkin, or null (skinned labels take their colour from it).
const SkinData* skinOf(HWND window);

// The client background's colour at row `y` of a client area `height` pixels high.
COLORREF skinBackgroundAt(const SkinData& skin, int y, int height);


}  // namespace vk

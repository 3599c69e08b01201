#pragma once
// Draws a skinned window: its client background, its push buttons in every state, and the
// colours of its labels, for as long as the window lives.
#include <windows.h>

#include "skin/skin_data.h"

namespace vk {

// `skin` must outlive the window.
void installSkin(HWND window, const SkinData& skin);

}  // namespace vk

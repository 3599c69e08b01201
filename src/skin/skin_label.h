#pragma once
// The skinned label: a caption drawn with its own font over the skin's background.
//
// It is a standard static control that paints itself, so that screen readers and dialog navigation
// take it as the label of the control that follows it in tab order.
#include <windows.h>

#include <string>

#include "platform/window.h"

namespace vk {

inline constexpr wchar_t kSkinLabelClass[] = L"Static";

// Makes a static control created with kSkinLabelClass draw as a skinned label, for its lifetime.
void makeSkinLabel(HWND label);

// Adds a skinned label to the window's control collection (position and size in twips).
Control& createSkinLabel(Window& window, int id, const std::string& caption, int left, int top, int width, int height,
                         bool visible = true);

}  // namespace vk

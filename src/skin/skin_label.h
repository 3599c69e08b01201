#pragma once
// The skinned label: a caption drawn with its own font over the skin's background.
//
// It is a standard static control that paints itself, so that screen readers and dialog navigation
// take it as the label of the control that follows it in tab order.
#include <windows.h>

namespace vk {

inline constexpr wchar_t kSkinLabelClass[] = L"Static";
inline constexpr char kSkinLabelType[] = "SkinLabel";

// Makes a static control created with kSkinLabelClass draw as a skinned label, for its lifetime.
void makeSkinLabel(HWND label);

}  // namespace vk

#pragma once
// The skinned label: a caption drawn with its own font over the skin's background.
#include <windows.h>

namespace vk {

inline constexpr wchar_t kSkinLabelClass[] = L"Vellumkeep.SkinLabel";
inline constexpr char kSkinLabelType[] = "SkinLabel";

// Registers the window class once; windows create skinned labels with kSkinLabelClass.
void registerSkinLabelClass();

}  // namespace vk

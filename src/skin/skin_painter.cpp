#include "skin/skin_painter.h"

namespace vk {

void installSkin(HWND, const SkinData&) {}

}  // namespace vk

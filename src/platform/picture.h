#pragma once
#include <windows.h>

#include "platform/handles.h"

namespace vk {

// Decodes a JPEG (or any picture the system reads) kept as an RCDATA resource of the program and
// scales it to the given size in pixels; empty on failure.
Bitmap loadPictureResource(int resourceId, int width, int height);

}  // namespace vk

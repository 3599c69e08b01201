#pragma once
#include <windows.h>

#include "platform/handles.h"

namespace vk {

// A picture kept as three RCDATA resources of the program (JPEG, or any picture the system reads):
// drawn at its size for 96 DPI, and drawn afresh at 1.5 and 2 times that for 144 and 192 DPI.
struct ScaledPicture {
    int at96;
    int at144;
    int at192;
};

// The resource that fits `dpi`: the first drawn for that DPI or more, else the largest.
int pictureResourceFor(const ScaledPicture& picture, int dpi);

// The size of a picture resource in pixels; {0, 0} when it cannot be read.
SIZE pictureResourceSize(int resourceId);

// Decodes the picture that fits `dpi` and scales it to the given size in pixels (a picture drawn
// for that DPI is copied as it is); empty on failure.
Bitmap loadPictureResource(const ScaledPicture& picture, int dpi, int width, int height);

}  // namespace vk

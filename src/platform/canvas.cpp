#include "platform/canvas.h"

#include <algorithm>

namespace vk {

Canvas::Canvas(HDC compatibleWith, int width, int height)
    : dc_(compatibleWith), width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 is the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(compatibleWith, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap_ || !dc_.get() || !bits) return;
    bits_ = static_cast<std::uint32_t*>(bits);
    selected_.emplace(dc_.get(), bitmap_.get());
}

void Canvas::fill(COLORREF colour) {
    if (bits_) std::fill(bits_, bits_ + width_ * height_, pixelOf(colour));
}

bool Canvas::samePixels(const Canvas& other) const {
    return width_ == other.width_ && height_ == other.height_ && bits_ && other.bits_ &&
           std::equal(bits_, bits_ + width_ * height_, other.bits_);
}

}  // namespace vk

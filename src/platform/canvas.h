#pragma once
// A top-down 32-bit picture in a memory DC, drawn pixel by pixel and with GDI alike, and read back.
#include <windows.h>

#include <cstdint>
#include <optional>

#include "platform/handles.h"

namespace vk {

class Canvas {
public:
    Canvas(HDC compatibleWith, int width, int height);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // False when the picture could not be made.
    explicit operator bool() const { return bits_ != nullptr; }
    HDC dc() const { return dc_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }

    void set(int x, int y, COLORREF colour) { bits_[y * width_ + x] = pixelOf(colour); }
    COLORREF at(int x, int y) const {
        std::uint32_t p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    void fill(COLORREF colour);
    bool samePixels(const Canvas& other) const;

private:
    static std::uint32_t pixelOf(COLORREF colour) {
        return (static_cast<std::uint32_t>(GetRValue(colour)) << 16) |
               (static_cast<std::uint32_t>(GetGValue(colour)) << 8) | GetBValue(colour);
    }

    MemoryDC dc_;
    Bitmap bitmap_;
    std::optional<SelectObjectScope> selected_;
    int width_;
    int height_;
    std::uint32_t* bits_ = nullptr;
};

}  // namespace vk

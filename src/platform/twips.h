#pragma once
// Layout is designed in twips (1/1440 inch); windows and controls are placed in pixels.

namespace vk {

inline constexpr int kTwipsPerInch = 1440;

// Rounds to nearest, as MulDiv does: 96 DPI gives 15 twips to a pixel.
constexpr int twipsToPixels(int twips, int dpi) {
    long long scaled = static_cast<long long>(twips) * dpi;
    long long half = kTwipsPerInch / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch : -((-scaled + half) / kTwipsPerInch));
}

constexpr int pixelsToTwips(int pixels, int dpi) {
    long long scaled = static_cast<long long>(pixels) * kTwipsPerInch;
    long long half = dpi / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / dpi : -((-scaled + half) / dpi));
}

static_assert(twipsToPixels(1155, 96) == 77);
static_assert(twipsToPixels(60, 96) == 4);
static_assert(pixelsToTwips(77, 96) == 1155);

}  // namespace vk

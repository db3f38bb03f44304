// From decoded pixels to RBF image data: the fitted placement, the bicubic
// scaling composited over the background colour, and the RGB565 packing.
// No Windows calls: everything here works on pixels in memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace picmill {

struct Placement {
    unsigned x = 0, y = 0, width = 0, height = 0;
};

// The largest rectangle with the picture's aspect ratio that fits the box,
// centred (odd leftovers put the extra pixel after the picture). The side that
// does not fill the box is round(other side × ratio), at least 1.
Placement FitPicture(unsigned pictureWidth, unsigned pictureHeight, unsigned boxWidth,
                     unsigned boxHeight);

// A picture as 32-bit pixels 0xAARRGGBB (straight alpha), rows top first.
struct ArgbView {
    const uint8_t* firstRow = nullptr;
    ptrdiff_t rowBytes = 0;
    unsigned width = 0, height = 0;

    uint32_t Pixel(unsigned x, unsigned y) const
    {
        const uint8_t* p = firstRow + static_cast<ptrdiff_t>(y) * rowBytes + 4 * static_cast<size_t>(x);
        return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
               (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    }
};

struct Rgb {
    uint8_t red = 0, green = 0, blue = 0;
};

// The box filled with the background colour and the picture scaled into
// FitPicture's rectangle: a separable bicubic filter (a = -0.5), widened by the
// reduction factor when shrinking so that every source pixel counts, edges
// extended, alpha premultiplied while filtering and then composited over the
// background. Three bytes per pixel (red, green, blue), rows top first.
std::vector<uint8_t> RenderOnBackground(const ArgbView& picture, unsigned boxWidth,
                                        unsigned boxHeight, Rgb background);

// 5 bits red, 6 green, 5 blue, each channel rounded to the nearest level.
uint16_t PackRgb565(uint8_t red, uint8_t green, uint8_t blue);

// RGB triplets to RBF data: every pixel as RGB565, low byte first.
std::vector<uint8_t> EncodeRbf(const std::vector<uint8_t>& rgb);

}  // namespace picmill

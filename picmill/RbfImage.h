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

// A picture's rows, each as 32-bit pixels 0xAARRGGBB (straight alpha) stored
// least significant byte first. RenderOnBackground asks for rows with numbers
// that only go up, so they can be decoded a band at a time.
class PictureRows {
public:
    virtual ~PictureRows() {}
    // The row's pixels, valid until the next call; null when it can't be read.
    virtual const uint8_t* Row(unsigned y) = 0;
};

// The box filled with the background colour and the picture scaled into
// FitPicture's rectangle: a separable bicubic filter (a = -0.5), widened by the
// reduction factor when shrinking so that every source pixel counts, edges
// extended, alpha premultiplied while filtering and then composited over the
// background. Three bytes per pixel (red, green, blue), rows top first. Besides
// the box, memory holds one source row and as many scaled rows as a column of
// the filter covers. False when a row can't be read.
bool RenderOnBackground(unsigned pictureWidth, unsigned pictureHeight, PictureRows& rows,
                        unsigned boxWidth, unsigned boxHeight, Rgb background,
                        std::vector<uint8_t>& rgb);
// The same over a picture in memory.
std::vector<uint8_t> RenderOnBackground(const ArgbView& picture, unsigned boxWidth,
                                        unsigned boxHeight, Rgb background);

// The scaling along one axis: for each of the outLength outputs, the inputs
// it is made of (each once, in order) and their weights, which sum to one.
// Shrinking, each input's weight is the cubic widened by the reduction factor
// averaged over the two pixel widths centred on it, so that a pattern
// alternating pixel by pixel comes out as its mean wherever an output lies
// against the input grid.
struct Tap {
    unsigned index;
    float weight;
};
std::vector<std::vector<Tap>> AxisTaps(unsigned inLength, unsigned outLength);

// 5 bits red, 6 green, 5 blue, each channel rounded to the nearest level.
uint16_t PackRgb565(uint8_t red, uint8_t green, uint8_t blue);

// RGB triplets to RBF data: every pixel as RGB565, low byte first.
std::vector<uint8_t> EncodeRbf(const std::vector<uint8_t>& rgb);

}  // namespace picmill

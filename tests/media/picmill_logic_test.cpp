// The image converter's pure parts: placement, scaling over the background and
// RGB565 packing.
#include "RbfImage.h"

#include <gtest/gtest.h>

#include <vector>

using namespace picmill;

namespace {

void ExpectPlacement(const Placement& p, unsigned x, unsigned y, unsigned width, unsigned height)
{
    EXPECT_EQ(x, p.x);
    EXPECT_EQ(y, p.y);
    EXPECT_EQ(width, p.width);
    EXPECT_EQ(height, p.height);
}

// An ARGB picture in memory, stored the way GDI+ hands locked bits over.
struct Picture {
    unsigned width, height;
    std::vector<uint8_t> bytes;

    Picture(unsigned w, unsigned h) : width(w), height(h), bytes(static_cast<size_t>(w) * h * 4) {}

    void Set(unsigned x, unsigned y, uint32_t argb)
    {
        uint8_t* p = &bytes[(static_cast<size_t>(y) * width + x) * 4];
        p[0] = static_cast<uint8_t>(argb);
        p[1] = static_cast<uint8_t>(argb >> 8);
        p[2] = static_cast<uint8_t>(argb >> 16);
        p[3] = static_cast<uint8_t>(argb >> 24);
    }
    void Fill(uint32_t argb)
    {
        for (unsigned y = 0; y < height; ++y)
            for (unsigned x = 0; x < width; ++x)
                Set(x, y, argb);
    }
    ArgbView View() const
    {
        ArgbView v;
        v.firstRow = bytes.data();
        v.rowBytes = static_cast<ptrdiff_t>(width) * 4;
        v.width = width;
        v.height = height;
        return v;
    }
};

Rgb MakeRgb(uint8_t r, uint8_t g, uint8_t b)
{
    Rgb c;
    c.red = r;
    c.green = g;
    c.blue = b;
    return c;
}

// Pixel (x, y) of a rendered box as 0xRRGGBB.
uint32_t At(const std::vector<uint8_t>& rgb, unsigned boxWidth, unsigned x, unsigned y)
{
    const size_t i = (static_cast<size_t>(y) * boxWidth + x) * 3;
    return (rgb[i] << 16) | (rgb[i + 1] << 8) | rgb[i + 2];
}

// ---- Placement -------------------------------------------------------------

TEST(PicMillFit, WidePictureSpansTheWidthCentredVertically)
{
    ExpectPlacement(FitPicture(200, 100, 128, 128), 0, 32, 128, 64);
    ExpectPlacement(FitPicture(640, 480, 128, 128), 0, 16, 128, 96);
}

TEST(PicMillFit, TallPictureSpansTheHeightCentredHorizontally)
{
    ExpectPlacement(FitPicture(50, 100, 128, 128), 32, 0, 64, 128);
    ExpectPlacement(FitPicture(480, 640, 128, 128), 16, 0, 96, 128);
}

TEST(PicMillFit, SameAspectFillsTheBoxWhateverTheSize)
{
    ExpectPlacement(FitPicture(128, 128, 128, 128), 0, 0, 128, 128);
    ExpectPlacement(FitPicture(1, 1, 128, 128), 0, 0, 128, 128);
    ExpectPlacement(FitPicture(4000, 2000, 64, 32), 0, 0, 64, 32);
}

TEST(PicMillFit, RoundsTheShortSideAndPutsTheOddPixelAfter)
{
    ExpectPlacement(FitPicture(3, 2, 128, 128), 0, 21, 128, 85);  // 85.33; 21 above, 22 below
    ExpectPlacement(FitPicture(2, 3, 128, 128), 21, 0, 85, 128);
    ExpectPlacement(FitPicture(300, 199, 128, 128), 0, 21, 128, 85);  // 84.9
    ExpectPlacement(FitPicture(1000, 1, 128, 128), 0, 63, 128, 1);    // never thinner than 1
    ExpectPlacement(FitPicture(1, 1000, 16, 8), 7, 0, 1, 8);
}

TEST(PicMillFit, NothingToPlaceGivesAnEmptyRectangle)
{
    ExpectPlacement(FitPicture(0, 10, 128, 128), 0, 0, 0, 0);
    ExpectPlacement(FitPicture(10, 10, 0, 128), 0, 0, 0, 0);
}

// ---- Pixels ----------------------------------------------------------------

TEST(PicMillPixels, PacksPrimariesAndGreys)
{
    EXPECT_EQ(0x0000, PackRgb565(0, 0, 0));
    EXPECT_EQ(0xFFFF, PackRgb565(255, 255, 255));
    EXPECT_EQ(0xF800, PackRgb565(255, 0, 0));
    EXPECT_EQ(0x07E0, PackRgb565(0, 255, 0));
    EXPECT_EQ(0x001F, PackRgb565(0, 0, 255));
    EXPECT_EQ(0x8410, PackRgb565(128, 128, 128));
    EXPECT_EQ(0xFFE0, PackRgb565(255, 255, 0));
}

TEST(PicMillPixels, RoundsEachChannelToTheNearestLevel)
{
    EXPECT_EQ(0x0000, PackRgb565(4, 2, 4));  // just under half a level
    EXPECT_EQ(0x0821, PackRgb565(5, 3, 5));  // just over: 1, 1, 1 where cutting bits off gives 0
    EXPECT_EQ(0x800F, PackRgb565(128, 0, 127));  // 16, 0, 15
    EXPECT_EQ(0xF7DE, PackRgb565(250, 250, 250));  // 30, 62, 30
    EXPECT_EQ(0xFFFF, PackRgb565(252, 254, 252));  // 31, 63, 31
}

TEST(PicMillPixels, RbfIsLittleEndianRowByRow)
{
    const std::vector<uint8_t> rgb = {255, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>({0x00, 0xF8, 0x1F, 0x00, 0xFF, 0xFF, 0x00, 0x00}), EncodeRbf(rgb));
    EXPECT_TRUE(EncodeRbf({}).empty());
}

// ---- Rendering -------------------------------------------------------------

TEST(PicMillRender, SolidPictureStaysExactAtAnyScale)
{
    for (unsigned size : {1u, 3u, 64u, 128u, 300u}) {
        Picture picture(size, size);
        picture.Fill(0xFF204080);
        const std::vector<uint8_t> rgb = RenderOnBackground(picture.View(), 128, 128, MakeRgb(1, 2, 3));
        ASSERT_EQ(128u * 128 * 3, rgb.size());
        for (unsigned y = 0; y < 128; ++y)
            for (unsigned x = 0; x < 128; ++x)
                ASSERT_EQ(0x204080u, At(rgb, 128, x, y)) << size << ": " << x << "," << y;
    }
}

TEST(PicMillRender, LetterboxRowsHoldTheBackground)
{
    Picture picture(200, 100);
    picture.Fill(0xFF0000FF);
    const std::vector<uint8_t> rgb = RenderOnBackground(picture.View(), 128, 128, MakeRgb(0, 255, 0));
    for (unsigned y = 0; y < 128; ++y)
        for (unsigned x = 0; x < 128; ++x)
            ASSERT_EQ((y < 32 || y >= 96) ? 0x00FF00u : 0x0000FFu, At(rgb, 128, x, y)) << x << "," << y;
}

TEST(PicMillRender, TransparencyShowsTheBackground)
{
    Picture picture(32, 32);
    for (unsigned y = 0; y < 32; ++y)
        for (unsigned x = 0; x < 32; ++x)
            picture.Set(x, y, x < 16 ? 0x00FFFFFF : 0x80FF0000);  // clear | red at alpha 128
    const std::vector<uint8_t> rgb = RenderOnBackground(picture.View(), 128, 128, MakeRgb(0, 0, 255));
    for (unsigned y = 0; y < 128; ++y) {
        for (unsigned x = 0; x < 54; ++x)
            ASSERT_EQ(0x0000FFu, At(rgb, 128, x, y)) << x << "," << y;
        for (unsigned x = 74; x < 128; ++x)
            ASSERT_EQ(0x80007Fu, At(rgb, 128, x, y)) << x << "," << y;  // 128, 0, 127
    }
    // Across the edge no fringe of the clear pixels' white appears.
    for (unsigned x = 54; x < 74; ++x)
        EXPECT_EQ(0u, (At(rgb, 128, x, 64) >> 8) & 0xFF) << x;
}

TEST(PicMillRender, ShrinkingAveragesEverySourcePixel)
{
    // A one-pixel checkerboard halved: every output pixel is grey, not black,
    // white or a moire of the two.
    Picture picture(256, 256);
    for (unsigned y = 0; y < 256; ++y)
        for (unsigned x = 0; x < 256; ++x)
            picture.Set(x, y, ((x + y) & 1) ? 0xFFFFFFFF : 0xFF000000);
    const std::vector<uint8_t> rgb = RenderOnBackground(picture.View(), 128, 128, MakeRgb(255, 0, 0));
    for (size_t i = 0; i < rgb.size(); ++i) {
        ASSERT_GE(rgb[i], 120) << i;
        ASSERT_LE(rgb[i], 135) << i;
    }
}

TEST(PicMillRender, RowsStartAtTheTopAndColumnsAtTheLeft)
{
    Picture picture(64, 64);
    for (unsigned y = 0; y < 64; ++y)
        for (unsigned x = 0; x < 64; ++x)
            picture.Set(x, y, y < 32 ? (x < 32 ? 0xFFFF0000 : 0xFF00FF00) : (x < 32 ? 0xFF0000FF : 0xFFFFFFFF));
    const std::vector<uint8_t> rgb = RenderOnBackground(picture.View(), 128, 128, MakeRgb(0, 0, 0));
    EXPECT_EQ(0xFF0000u, At(rgb, 128, 0, 0));
    EXPECT_EQ(0x00FF00u, At(rgb, 128, 127, 0));
    EXPECT_EQ(0x0000FFu, At(rgb, 128, 0, 127));
    EXPECT_EQ(0xFFFFFFu, At(rgb, 128, 127, 127));
    EXPECT_EQ(0xFF0000u, At(rgb, 128, 56, 56));
}

TEST(PicMillRender, HonoursTheRowPitch)
{
    // Rows padded to 16 bytes, and rows stored bottom-up (negative pitch).
    std::vector<uint8_t> bytes(16 * 2, 0xEE);
    const uint32_t top = 0xFF102030, bottom = 0xFF405060;
    for (int x = 0; x < 3; ++x) {
        for (int b = 0; b < 4; ++b) {
            bytes[x * 4 + b] = static_cast<uint8_t>(top >> (8 * b));
            bytes[16 + x * 4 + b] = static_cast<uint8_t>(bottom >> (8 * b));
        }
    }
    ArgbView view;
    view.width = 3;
    view.height = 2;
    view.firstRow = bytes.data();
    view.rowBytes = 16;
    std::vector<uint8_t> rgb = RenderOnBackground(view, 3, 2, MakeRgb(0, 0, 0));
    EXPECT_EQ(0x102030u, At(rgb, 3, 0, 0));
    EXPECT_EQ(0x405060u, At(rgb, 3, 2, 1));

    view.firstRow = bytes.data() + 16;
    view.rowBytes = -16;
    rgb = RenderOnBackground(view, 3, 2, MakeRgb(0, 0, 0));
    EXPECT_EQ(0x405060u, At(rgb, 3, 0, 0));
    EXPECT_EQ(0x102030u, At(rgb, 3, 2, 1));
}

}  // namespace

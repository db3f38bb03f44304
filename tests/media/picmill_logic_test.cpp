// The image converter's pure parts: the declared size and its limits,
// placement, scaling over the background and RGB565 packing.
#include "PictureHeader.h"
#include "RbfImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

TEST(PicMillRender, ShrunkCheckerboardIsFlatGreyAtAnySize)
{
    // A one-pixel checkerboard shrunk by any ratio, whatever the phase of each
    // output's footprint against the grid: no ripple (the standard deviation of
    // the 128 x 128 pixels within one level), and its mean, half-way between
    // two levels, rounded the same way everywhere: one RGB565 value.
    for (unsigned size : {129u, 160u, 179u, 256u, 352u, 1000u, 4096u}) {
        Picture picture(size, size);
        for (unsigned y = 0; y < size; ++y)
            for (unsigned x = 0; x < size; ++x)
                picture.Set(x, y, ((x + y) & 1) ? 0xFFFFFFFF : 0xFF000000);
        const std::vector<uint8_t> rgb = RenderOnBackground(picture.View(), 128, 128, MakeRgb(255, 0, 0));
        double sum = 0, squares = 0;
        for (uint8_t v : rgb) {
            sum += v;
            squares += static_cast<double>(v) * v;
        }
        const double mean = sum / static_cast<double>(rgb.size());
        EXPECT_NEAR(127.5, mean, 0.5) << size;
        EXPECT_LE(std::sqrt(squares / static_cast<double>(rgb.size()) - mean * mean), 1.0) << size;
        const std::vector<uint8_t> rbf = EncodeRbf(rgb);
        for (size_t i = 2; i < rbf.size(); i += 2)
            ASSERT_TRUE(rbf[i] == rbf[0] && rbf[i + 1] == rbf[1]) << size << " pixel " << i / 2;
    }
}

TEST(PicMillRender, ShrinkWeightsSumToOneAndCancelAOnePixelPatternAtEverySize)
{
    // Every source size from 129 to 4096 pixels shrunk to 128, so every phase
    // of the outputs against the grid: each output's weights sum to one, and
    // those of the even and odd inputs nearly agree (their difference d), so
    // that a one-pixel checkerboard (127.5 - 127.5 x d across x d down) is
    // flat within a quarter of a level before rounding.
    for (unsigned size = 129; size <= 4096; ++size) {
        const std::vector<std::vector<Tap>> taps = AxisTaps(size, 128);
        ASSERT_EQ(128u, taps.size());
        double worst = 0;
        for (const std::vector<Tap>& output : taps) {
            double sum = 0, difference = 0;
            for (const Tap& tap : output) {
                sum += tap.weight;
                difference += (tap.index & 1) ? -tap.weight : tap.weight;
            }
            ASSERT_NEAR(1.0, sum, 1e-6) << size;
            worst = std::max(worst, std::fabs(difference));
        }
        ASSERT_LE(2 * 127.5 * worst * worst, 0.25) << size;
    }
}

TEST(PicMillRender, ShrinkWeighsTheFootprintAsDocumented)
{
    // 5 pixels into 3: values from the widened cubic integrated numerically
    // over two pixel widths around each pixel, the row mirrored at its ends
    // (35.07, 127.98, 220.49), evaluated apart from the renderer.
    Picture picture(5, 1);
    const uint8_t values[5] = {0, 64, 128, 192, 255};
    for (unsigned x = 0; x < 5; ++x)
        picture.Set(x, 0, 0xFF000000u | values[x] * 0x010101u);
    EXPECT_EQ(std::vector<uint8_t>({35, 35, 35, 128, 128, 128, 220, 220, 220}),
              RenderOnBackground(picture.View(), 3, 1, MakeRgb(0, 0, 0)));
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

TEST(PicMillRender, AsksForEachRowOnceGoingDown)
{
    // The rows come a band at a time from the decoder: each asked for once, in
    // order, whether the picture is shrunk or enlarged; a row that can't be
    // read stops the rendering.
    struct Recorder : PictureRows {
        const Picture& picture;
        std::vector<unsigned> asked;
        unsigned failAt = UINT32_MAX;
        explicit Recorder(const Picture& p) : picture(p) {}
        const uint8_t* Row(unsigned y) override
        {
            asked.push_back(y);
            return y == failAt ? nullptr : picture.bytes.data() + static_cast<size_t>(y) * picture.width * 4;
        }
    };
    for (unsigned height : {1000u, 40u}) {
        Picture picture(300, height);
        for (unsigned y = 0; y < height; ++y)
            for (unsigned x = 0; x < 300; ++x)
                picture.Set(x, y, 0xFF000000u | (x * 7919u + y * 104729u));
        Recorder rows(picture);
        std::vector<uint8_t> rgb;
        ASSERT_TRUE(RenderOnBackground(300, height, rows, 128, 128, MakeRgb(1, 2, 3), rgb));
        EXPECT_EQ(RenderOnBackground(picture.View(), 128, 128, MakeRgb(1, 2, 3)), rgb) << height;
        std::vector<unsigned> expected(height);
        for (unsigned y = 0; y < height; ++y)
            expected[y] = y;
        EXPECT_EQ(expected, rows.asked) << height;

        Recorder failing(picture);
        failing.failAt = height / 2;
        EXPECT_FALSE(RenderOnBackground(300, height, failing, 128, 128, MakeRgb(1, 2, 3), rgb)) << height;
    }
}

// ---- Declared size -----------------------------------------------------------

std::vector<uint8_t> Le(std::initializer_list<std::pair<uint32_t, int>> fields)
{
    std::vector<uint8_t> out;
    for (const auto& f : fields)
        for (int i = 0; i < f.second; ++i)
            out.push_back(static_cast<uint8_t>(f.first >> (8 * i)));
    return out;
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

bool SizeOf(const std::vector<uint8_t>& file, PictureSize& size)
{
    MemoryBytes bytes(file.data(), file.size());
    return ReadPictureSize(bytes, size);
}

TEST(PicMillHeader, ReadsTheDeclaredSizeOfEachKind)
{
    const std::vector<uint8_t> bmpTopDown =
        Join({{'B', 'M'}, Le({{822, 4}, {0, 4}, {54, 4}, {40, 4}, {30000, 4}, {static_cast<uint32_t>(-20000), 4}})});
    const std::vector<uint8_t> bmpCore = Join({{'B', 'M'}, Le({{0, 4}, {0, 4}, {26, 4}, {12, 4}, {640, 2}, {480, 2}})});
    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                      0, 0, 0x3E, 0x80, 0, 1, 0, 0};  // 16000 x 65536
    // APP0 and a comment, then a progressive frame header of 65500 x 300.
    const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0, 0xFF, 0xFF, 0xFE, 0, 3, 'x',
                                       0xFF, 0xC2, 0, 11, 8, 0x01, 0x2C, 0xFF, 0xDC, 3, 1};
    // A 320 x 200 screen with a 4-colour table, an extension, and two frames
    // of 100 x 100 and 300 x 200 with two data sub-blocks each.
    const std::vector<uint8_t> gif = Join(
        {{'G', 'I', 'F', '8', '9', 'a'}, Le({{320, 2}, {200, 2}, {0x81, 1}, {0, 2}}), std::vector<uint8_t>(12, 0),
         {0x21, 0xF9, 4, 0, 0, 0, 0, 0},
         {0x2C}, Le({{0, 4}, {100, 2}, {100, 2}, {0, 1}, {2, 1}}), {3, 1, 2, 3, 1, 9, 0},
         {0x2C}, Le({{0, 4}, {300, 2}, {200, 2}, {0, 1}, {2, 1}}), {2, 1, 2, 0}, {0x3B}});
    struct Case {
        const std::vector<uint8_t>* file;
        PictureKind kind;
        uint32_t width, height;
        uint64_t framePixels;
    } cases[] = {
        {&bmpTopDown, PictureKind::Bmp, 30000, 20000, 0}, {&bmpCore, PictureKind::Bmp, 640, 480, 0},
        {&png, PictureKind::Png, 16000, 65536, 0},        {&jpeg, PictureKind::Jpeg, 65500, 300, 0},
        {&gif, PictureKind::Gif, 320, 200, 70000},
    };
    for (const Case& c : cases) {
        PictureSize size;
        ASSERT_TRUE(SizeOf(*c.file, size)) << static_cast<int>(c.kind);
        EXPECT_EQ(c.kind, size.kind);
        EXPECT_EQ(c.width, size.width) << static_cast<int>(c.kind);
        EXPECT_EQ(c.height, size.height) << static_cast<int>(c.kind);
        EXPECT_EQ(c.framePixels, size.framePixels) << static_cast<int>(c.kind);
    }
}

TEST(PicMillHeader, RefusesOtherOrBrokenFiles)
{
    PictureSize size;
    const std::vector<uint8_t> files[] = {
        {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0},                           // TIFF
        {0, 0, 1, 0, 1, 0, 16, 16, 0, 0},                              // icon
        {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0, 0xFF, 0xDA, 0, 2, 0, 0},  // JPEG: a scan before any frame
        {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H'},   // PNG cut in its header
        Join({{'B', 'M'}, Le({{0, 4}, {0, 4}, {54, 4}, {40, 4}, {0, 4}, {10, 4}})}),  // BMP 0 pixels wide
        {'B', 'M', 0},
    };
    for (const auto& file : files)
        EXPECT_FALSE(SizeOf(file, size)) << file.size();
}

TEST(PicMillLimits, SidesAndPixelsAreLimitedExactly)
{
    EXPECT_EQ(50331648u, kMaxPicturePixels);
    EXPECT_TRUE(PictureSizeAccepted(8192, 6144));
    EXPECT_FALSE(PictureSizeAccepted(8192, 6145));
    EXPECT_TRUE(PictureSizeAccepted(65535, 768));
    EXPECT_FALSE(PictureSizeAccepted(65536, 1));
    EXPECT_FALSE(PictureSizeAccepted(1, 65536));
    EXPECT_FALSE(PictureSizeAccepted(0, 10));
    EXPECT_FALSE(PictureSizeAccepted(65500, 65500));
    EXPECT_FALSE(PictureSizeAccepted(30000, 30000));
    EXPECT_TRUE(PictureSizeAccepted(320, 200, 50331648));
    EXPECT_FALSE(PictureSizeAccepted(320, 200, 50331649)) << "GIF frames together";
}

}  // namespace

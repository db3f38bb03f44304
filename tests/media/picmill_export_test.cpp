// PicMill.dll through its export, loaded from the test's folder as the program
// loads it: BMP, PNG, JPEG and GIF pictures into 128 x 128 RBF data, byte for
// byte, and the failure paths.
#include "ImageBuilder.h"
#include "RbfImage.h"

#include <gtest/gtest.h>

using namespace media_test;

namespace {

typedef int(__stdcall* ConvertImageFn)(const char*, const char*, unsigned int, unsigned int, int, int,
                                       const unsigned char*);

const unsigned char kGreen[3] = {0, 255, 0};
const unsigned char kBlue[3] = {0, 0, 255};

class PicMillExport : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&s_token, &input, nullptr);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(s_token); }

    void SetUp() override
    {
        ASSERT_TRUE(m_library.Loaded()) << "PicMill.dll beside the test";
        convert = m_library.Get<ConvertImageFn>("ConvertImageResourceToRBF");
        ASSERT_NE(nullptr, convert);
    }

    // Converts the way the program does: 128 x 128, modes 2 and 1.
    int Convert(const std::string& source, const unsigned char* background = kGreen)
    {
        return convert(source.c_str(), Converted().c_str(), 128, 128, 2, 1, background);
    }

    std::string Converted() const { return m_folder / "picture.rbf"; }

    static ULONG_PTR s_token;
    Library m_library{"PicMill.dll"};
    ScratchFolder m_folder;
    ConvertImageFn convert = nullptr;
};

ULONG_PTR PicMillExport::s_token = 0;

uint16_t Pixel(const Bytes& rbf, unsigned width, unsigned x, unsigned y)
{
    const size_t i = (static_cast<size_t>(y) * width + x) * 2;
    return static_cast<uint16_t>(rbf[i] | (rbf[i + 1] << 8));
}

Bytes Repeated(size_t pixels, uint16_t value)
{
    Bytes out;
    for (size_t i = 0; i < pixels; ++i)
        Put16(out, value);
    return out;
}

// ---- Pictures that convert --------------------------------------------------

TEST_F(PicMillExport, SolidBmpFillsTheWholeBox)
{
    const std::string source = m_folder / "red.bmp";
    WriteAll(source, MakeBmp(64, 64, Solid(Opaque(255, 0, 0))));
    ASSERT_NE(0, Convert(source));
    const Bytes rbf = ReadAll(Converted());
    ASSERT_EQ(32768u, rbf.size());
    EXPECT_EQ(Repeated(128 * 128, 0xF800), rbf);  // 00 F8 for every pixel
}

TEST_F(PicMillExport, WidePictureIsLetterboxedWithTheBackground)
{
    const std::string source = m_folder / "wide.bmp";
    WriteAll(source, MakeBmp(200, 100, Solid(Opaque(0, 0, 255))));
    ASSERT_NE(0, Convert(source, kGreen));
    // 32 rows of green (E0 07), 64 rows of blue (1F 00), 32 rows of green.
    const Bytes expected = Repeated(128 * 32, 0x07E0) + Repeated(128 * 64, 0x001F) + Repeated(128 * 32, 0x07E0);
    EXPECT_EQ(expected, ReadAll(Converted()));
}

TEST_F(PicMillExport, TallPictureIsCentredBetweenBackgroundColumns)
{
    const std::string source = m_folder / "tall.bmp";
    WriteAll(source, MakeBmp(50, 100, Solid(Opaque(255, 255, 255))));
    ASSERT_NE(0, Convert(source, kBlue));
    const Bytes rbf = ReadAll(Converted());
    ASSERT_EQ(32768u, rbf.size());
    for (unsigned y = 0; y < 128; ++y)
        for (unsigned x = 0; x < 128; ++x)
            ASSERT_EQ((x < 32 || x >= 96) ? 0x001F : 0xFFFF, Pixel(rbf, 128, x, y)) << x << "," << y;
}

TEST_F(PicMillExport, RowsRunFromTheTopInBothBmpRowOrders)
{
    const Painter quadrants = [](unsigned x, unsigned y) {
        return y < 32 ? (x < 32 ? Opaque(255, 0, 0) : Opaque(0, 255, 0))
                      : (x < 32 ? Opaque(0, 0, 255) : Opaque(255, 255, 255));
    };
    for (bool topDown : {false, true}) {
        const std::string source = m_folder / (topDown ? "topdown.bmp" : "bottomup.bmp");
        WriteAll(source, MakeBmp(64, 64, quadrants, topDown));
        ASSERT_NE(0, Convert(source)) << topDown;
        const Bytes rbf = ReadAll(Converted());
        ASSERT_EQ(32768u, rbf.size());
        EXPECT_EQ(0xF800, Pixel(rbf, 128, 0, 0)) << topDown;
        EXPECT_EQ(0xF800, Pixel(rbf, 128, 50, 50)) << topDown;
        EXPECT_EQ(0x07E0, Pixel(rbf, 128, 127, 0)) << topDown;
        EXPECT_EQ(0x001F, Pixel(rbf, 128, 0, 127)) << topDown;
        EXPECT_EQ(0xFFFF, Pixel(rbf, 128, 127, 127)) << topDown;
    }
}

TEST_F(PicMillExport, PngAlphaIsCompositedOverTheBackground)
{
    const std::string source = m_folder / "alpha.png";
    ASSERT_TRUE(SaveWithGdiplus(source, L"image/png", 32, 32, [](unsigned x, unsigned) {
        return x < 16 ? Colour{255, 255, 255, 0} : Colour{255, 0, 0, 128};
    }));
    ASSERT_NE(0, Convert(source, kBlue));
    const Bytes rbf = ReadAll(Converted());
    ASSERT_EQ(32768u, rbf.size());
    for (unsigned y = 0; y < 128; ++y) {
        for (unsigned x = 0; x < 54; ++x)
            ASSERT_EQ(0x001F, Pixel(rbf, 128, x, y)) << x << "," << y;  // fully clear: background
        for (unsigned x = 74; x < 128; ++x)
            ASSERT_EQ(0x800F, Pixel(rbf, 128, x, y)) << x << "," << y;  // 128, 0, 127
    }
}

TEST_F(PicMillExport, JpegDecodes)
{
    const std::string source = m_folder / "photo.jpg";
    ASSERT_TRUE(SaveWithGdiplus(source, L"image/jpeg", 64, 64, Solid(Opaque(200, 100, 50))));
    ASSERT_NE(0, Convert(source));
    const Bytes rbf = ReadAll(Converted());
    ASSERT_EQ(32768u, rbf.size());
    const uint16_t expected = picmill::PackRgb565(200, 100, 50);
    for (unsigned y = 0; y < 128; ++y)
        for (unsigned x = 0; x < 128; ++x) {
            const uint16_t v = Pixel(rbf, 128, x, y);
            ASSERT_NEAR(expected >> 11, v >> 11, 1) << x << "," << y;
            ASSERT_NEAR((expected >> 5) & 63, (v >> 5) & 63, 2) << x << "," << y;
            ASSERT_NEAR(expected & 31, v & 31, 1) << x << "," << y;
        }
}

TEST_F(PicMillExport, GifDecodesWithItsLetterbox)
{
    const std::string source = m_folder / "banner.gif";
    WriteAll(source, MakeGif(64, 32, {Opaque(255, 255, 0)}, [](unsigned, unsigned) { return uint8_t(0); }));
    ASSERT_NE(0, Convert(source, kBlue));
    const Bytes expected = Repeated(128 * 32, 0x001F) + Repeated(128 * 64, 0xFFE0) + Repeated(128 * 32, 0x001F);
    EXPECT_EQ(expected, ReadAll(Converted()));
}

TEST_F(PicMillExport, GifTransparentIndexShowsTheBackground)
{
    const std::string source = m_folder / "cutout.gif";
    WriteAll(source, MakeGif(32, 32, {Opaque(255, 255, 0), Opaque(255, 255, 255)},
                             [](unsigned x, unsigned) { return uint8_t(x < 16 ? 0 : 1); }, 1));
    ASSERT_NE(0, Convert(source, kBlue));
    const Bytes rbf = ReadAll(Converted());
    ASSERT_EQ(32768u, rbf.size());
    for (unsigned y = 0; y < 128; ++y) {
        for (unsigned x = 0; x < 54; ++x)
            ASSERT_EQ(0xFFE0, Pixel(rbf, 128, x, y)) << x << "," << y;
        for (unsigned x = 74; x < 128; ++x)
            ASSERT_EQ(0x001F, Pixel(rbf, 128, x, y)) << x << "," << y;
    }
}

TEST_F(PicMillExport, OtherBoxSizes)
{
    const std::string source = m_folder / "red.bmp";
    WriteAll(source, MakeBmp(10, 10, Solid(Opaque(255, 0, 0))));
    ASSERT_NE(0, convert(source.c_str(), Converted().c_str(), 16, 8, 2, 1, kBlue));
    // 8 x 8 of red in the middle of 16 x 8: columns 0-3 and 12-15 are background.
    Bytes row = Repeated(4, 0x001F) + Repeated(8, 0xF800) + Repeated(4, 0x001F);
    Bytes expected;
    for (int y = 0; y < 8; ++y)
        expected = expected + row;
    EXPECT_EQ(expected, ReadAll(Converted()));

    ASSERT_NE(0, convert(source.c_str(), Converted().c_str(), 1, 1, 2, 1, kBlue));
    EXPECT_EQ(Bytes({0x00, 0xF8}), ReadAll(Converted()));
}

TEST_F(PicMillExport, AnsiPathOutsideAscii)
{
    const std::string source = m_folder / "caf\xE9.bmp";  // code page 1252
    WriteAll(source, MakeBmp(8, 8, Solid(Opaque(255, 0, 0))));
    ASSERT_NE(0, Convert(source));
    EXPECT_EQ(Repeated(128 * 128, 0xF800), ReadAll(Converted()));
}

TEST_F(PicMillExport, ReplacesAnOlderLongerFile)
{
    const std::string source = m_folder / "red.bmp";
    WriteAll(source, MakeBmp(8, 8, Solid(Opaque(255, 0, 0))));
    WriteAll(Converted(), Bytes(40000, 0x55));
    ASSERT_NE(0, Convert(source));
    EXPECT_EQ(Repeated(128 * 128, 0xF800), ReadAll(Converted()));
}

TEST_F(PicMillExport, TallPictureIsDecodedBandByBandAsAWhole)
{
    // 600 x 2000: far more rows than one band handed over by the decoder.
    const Painter pattern = [](unsigned x, unsigned y) {
        return Opaque(static_cast<uint8_t>(x * 7 + y), static_cast<uint8_t>(y * 3), static_cast<uint8_t>(x ^ y));
    };
    const std::string source = m_folder / "tall.bmp";
    WriteAll(source, MakeBmp(600, 2000, pattern));
    ASSERT_NE(0, Convert(source));
    std::vector<uint8_t> argb(600u * 2000 * 4);
    for (unsigned y = 0; y < 2000; ++y)
        for (unsigned x = 0; x < 600; ++x) {
            const Colour c = pattern(x, y);
            uint8_t* p = &argb[(static_cast<size_t>(y) * 600 + x) * 4];
            p[0] = c.b, p[1] = c.g, p[2] = c.r, p[3] = 255;
        }
    picmill::ArgbView view;
    view.firstRow = argb.data();
    view.rowBytes = 600 * 4;
    view.width = 600;
    view.height = 2000;
    picmill::Rgb green;
    green.green = 255;
    EXPECT_EQ(picmill::EncodeRbf(picmill::RenderOnBackground(view, 128, 128, green)), ReadAll(Converted()));
}

// ---- Failures: result 0 and no converted file -------------------------------

TEST_F(PicMillExport, DeclaredHugePicturesAreRefusedBeforeDecoding)
{
    // Headers that promise far more than the file holds: decoding first would
    // take seconds and gigabytes, or crash the decoder.
    const Bytes bmp = MakeBmp(8, 8, Solid(Opaque(255, 0, 0)));
    Bytes hugeBmp(bmp.begin(), bmp.begin() + 54);
    hugeBmp[18] = 0x30, hugeBmp[19] = 0x75, hugeBmp[22] = 0x30, hugeBmp[23] = 0x75;  // 30000 x 30000
    hugeBmp.resize(54 + 768, 0x40);
    // JPEGs whose frame header says 65500 x 65500, and 12000 x 12000 (which a
    // decoder would fill with 432 MB of grey).
    ASSERT_TRUE(SaveWithGdiplus(m_folder / "small.jpg", L"image/jpeg", 16, 16, Solid(Opaque(1, 2, 3))));
    Bytes hugeJpeg = ReadAll(m_folder / "small.jpg"), bigJpeg = hugeJpeg;
    for (size_t i = 2; i + 9 < hugeJpeg.size(); i += 2 + (hugeJpeg[i + 2] << 8 | hugeJpeg[i + 3]))
        if (hugeJpeg[i + 1] == 0xC0) {
            hugeJpeg[i + 5] = hugeJpeg[i + 7] = 0xFF;
            hugeJpeg[i + 6] = hugeJpeg[i + 8] = 0xDC;
            bigJpeg[i + 5] = bigJpeg[i + 7] = 0x2E;
            bigJpeg[i + 6] = bigJpeg[i + 8] = 0xE0;
            break;
        }
    ASSERT_TRUE(SaveWithGdiplus(m_folder / "small.png", L"image/png", 16, 16, Solid(Opaque(1, 2, 3))));
    Bytes hugePng = ReadAll(m_folder / "small.png");
    hugePng[18] = hugePng[22] = 0x3E, hugePng[19] = hugePng[23] = 0x80;  // 16000 x 16000 in IHDR
    Bytes manyFrames = MakeGif(4, 4, {Opaque(255, 255, 0)}, [](unsigned, unsigned) { return uint8_t(0); });
    manyFrames[6] = manyFrames[7] = manyFrames[8] = manyFrames[9] = 0xFF;  // a 65535 x 65535 screen
    const std::pair<const char*, const Bytes*> files[] = {
        {"huge.bmp", &hugeBmp}, {"huge.jpg", &hugeJpeg}, {"big.jpg", &bigJpeg},
        {"huge.png", &hugePng}, {"huge.gif", &manyFrames}};
    for (const auto& file : files) {
        WriteAll(m_folder / file.first, *file.second);
        EXPECT_EQ(0, Convert(m_folder / file.first)) << file.first;
    }
    EXPECT_FALSE(Exists(Converted()));
}

TEST_F(PicMillExport, FormatsOtherThanTheFourAreRefused)
{
    ASSERT_TRUE(SaveWithGdiplus(m_folder / "picture.tif", L"image/tiff", 16, 16, Solid(Opaque(255, 0, 0))));
    EXPECT_EQ(0, Convert(m_folder / "picture.tif"));
    EXPECT_FALSE(Exists(Converted()));
}



TEST_F(PicMillExport, ModeConstantsOtherThanTwoAndOneFail)
{
    const std::string source = m_folder / "red.bmp";
    WriteAll(source, MakeBmp(8, 8, Solid(Opaque(255, 0, 0))));
    const int bad[][2] = {{3, 1}, {1, 1}, {0, 1}, {2, 0}, {2, 2}, {1, 2}, {-2, 1}};
    for (const auto& modes : bad)
        EXPECT_EQ(0, convert(source.c_str(), Converted().c_str(), 128, 128, modes[0], modes[1], kGreen))
            << modes[0] << ", " << modes[1];
    EXPECT_FALSE(Exists(Converted()));
}

TEST_F(PicMillExport, MissingOrUndecodableSourceFails)
{
    EXPECT_EQ(0, Convert(m_folder / "absent.png"));
    const std::string empty = m_folder / "empty.png";
    WriteAll(empty, Bytes());
    EXPECT_EQ(0, Convert(empty));
    const std::string text = m_folder / "text.bmp";
    const std::string words = "not a picture at all, just words\r\n";
    WriteAll(text, Bytes(words.begin(), words.end()));
    EXPECT_EQ(0, Convert(text));
    Bytes cut = MakeBmp(64, 64, Solid(Opaque(255, 0, 0)));
    cut.resize(30);  // the header breaks off
    const std::string broken = m_folder / "broken.bmp";
    WriteAll(broken, cut);
    EXPECT_EQ(0, Convert(broken));
    EXPECT_EQ(0, convert(nullptr, Converted().c_str(), 128, 128, 2, 1, kGreen));
    EXPECT_EQ(0, convert("", Converted().c_str(), 128, 128, 2, 1, kGreen));
    EXPECT_FALSE(Exists(Converted()));
}

TEST_F(PicMillExport, EmptyOrOversizedBoxFails)
{
    const std::string source = m_folder / "red.bmp";
    WriteAll(source, MakeBmp(8, 8, Solid(Opaque(255, 0, 0))));
    const unsigned sizes[][2] = {{0, 128}, {128, 0}, {0, 0}, {0x10000, 128}, {128, 0x10080}, {65535, 65535}};
    for (const auto& size : sizes)
        EXPECT_EQ(0, convert(source.c_str(), Converted().c_str(), size[0], size[1], 2, 1, kGreen))
            << size[0] << " x " << size[1];
    EXPECT_FALSE(Exists(Converted()));
}

TEST_F(PicMillExport, NoBackgroundFails)
{
    const std::string source = m_folder / "red.bmp";
    WriteAll(source, MakeBmp(8, 8, Solid(Opaque(255, 0, 0))));
    EXPECT_EQ(0, Convert(source, nullptr));
    EXPECT_FALSE(Exists(Converted()));
}

TEST_F(PicMillExport, UnwritableOutputFailsAndLeavesNothing)
{
    const std::string source = m_folder / "red.bmp";
    WriteAll(source, MakeBmp(8, 8, Solid(Opaque(255, 0, 0))));
    const std::string nowhere = m_folder / "missing\\picture.rbf";
    EXPECT_EQ(0, convert(source.c_str(), nowhere.c_str(), 128, 128, 2, 1, kGreen));
    EXPECT_EQ(0, convert(source.c_str(), "", 128, 128, 2, 1, kGreen));
    EXPECT_EQ(0, convert(source.c_str(), nullptr, 128, 128, 2, 1, kGreen));
    ASSERT_TRUE(CreateDirectoryA(Converted().c_str(), nullptr));
    EXPECT_EQ(0, Convert(source)) << "a folder in the way";
    RemoveDirectoryA(Converted().c_str());
    EXPECT_EQ(std::vector<std::string>({"red.bmp"}), m_folder.Files());
}

}  // namespace

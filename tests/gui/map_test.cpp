// The builder's flash map in the window: with the default values a clip and
// a picture overlap, Fit Images puts the lowest fitting image start into
// its field, and the map then fits.
#include "Fixture.h"

namespace gui {
namespace {

const int kAudioList = 1012, kImageList = 1001, kImageStart = 1023, kFitImages = 1043, kMapFigures = 1045;
const WPARAM kImageBuilderCommand = 0x0020;

// Half a second of a 16-bit mono tone at 8000 Hz: 2000 bytes of APM.
std::string Tone()
{
    const uint32_t samples = 4000;
    std::string wav = "RIFF";
    auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) wav += static_cast<char>(v >> (8 * i)); };
    auto put16 = [&](uint16_t v) { wav += static_cast<char>(v); wav += static_cast<char>(v >> 8); };
    put32(36 + samples * 2);
    wav += "WAVEfmt ";
    put32(16); put16(1); put16(1); put32(8000); put32(16000); put16(2); put16(16);
    wav += "data";
    put32(samples * 2);
    for (uint32_t i = 0; i < samples; ++i)
        put16(static_cast<uint16_t>((i / 8) % 2 ? 8000 : -8000));
    return wav;
}

// A 2 x 2 24-bit picture.
std::string Picture()
{
    std::string bmp = "BM";
    auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) bmp += static_cast<char>(v >> (8 * i)); };
    auto put16 = [&](uint16_t v) { bmp += static_cast<char>(v); bmp += static_cast<char>(v >> 8); };
    put32(54 + 16); put32(0); put32(54);
    put32(40); put32(2); put32(2); put16(1); put16(24); put32(0); put32(16); put32(2835); put32(2835); put32(0); put32(0);
    for (int row = 0; row < 2; ++row)
        bmp += std::string("\x00\x00\xFF\xFF\x00\x00\x00\x00", 8);
    return bmp;
}

class MapTest : public AppTest {};

TEST_F(MapTest, DefaultsOverlapAndFitImagesMovesTheImages)
{
    Start();
    const std::string tone = m_dir + "tone.wav", picture = m_dir + "pic.bmp";
    ASSERT_TRUE(WriteFile(tone, Tone()));
    ASSERT_TRUE(WriteFile(picture, Picture()));
    ::SendMessageA(m_app.Item(kAudioList), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(tone.c_str()));
    ::SendMessageA(m_app.Item(kImageList), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(picture.c_str()));
    EXPECT_FALSE(m_app.Enabled(kFitImages));
    // The map is worked out once the panel is in view.
    ::SendMessageW(m_app.Main(), WM_SYSCOMMAND, kImageBuilderCommand, 0);

    const std::wstring overlap = L"Images overlap the audio up to 000007DA: lowest image start 00001000";
    EXPECT_TRUE(WaitFor([&] { return m_app.Text(kMapFigures) == overlap; }, 15000)) << m_app.Text(kMapFigures).size();
    EXPECT_TRUE(m_app.Enabled(kFitImages));

    m_app.Click(kFitImages);
    EXPECT_EQ(L"00001000", m_app.Text(kImageStart));
    const std::wstring fits = L"36866 bytes: audio 2010, fill 2086, images 32770; free 4157438";
    EXPECT_TRUE(WaitFor([&] { return m_app.Text(kMapFigures) == fits; }, 15000));
    EXPECT_FALSE(m_app.Enabled(kFitImages));
    // Converted into the temporary folder: nothing beside the sources.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((tone + ".rbf").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((picture + ".rbf").c_str()));
    Close();
}

}  // namespace
}  // namespace gui

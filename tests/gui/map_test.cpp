// The builder's flash map in the window: with the default values a clip and
// a picture overlap, Fit Images puts the lowest fitting image start into
// its field, and the map then fits.
#include "Fixture.h"
#include "SampleMedia.h"

namespace gui {
namespace {

const int kAudioList = 1012, kImageList = 1001, kImageStart = 1023, kFitImages = 1043, kMapFigures = 1045;
const WPARAM kImageBuilderCommand = 0x0020;

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
    EXPECT_TRUE(WaitFor([&] { return m_app.Text(kImageStart) == L"00001000"; })) << m_app.Text(kImageStart).size();
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

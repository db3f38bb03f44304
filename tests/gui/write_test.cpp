// The builder's Write command: its checks, its messages and its clean-up.
// The panel is hidden; the test posts what its controls would send.
#include "Fixture.h"

namespace gui {
namespace {

const int kAudioList = 1012, kImageList = 1001, kSampleRate = 1025, kImageStart = 1023, kWrite = 1029;

class WriteTest : public AppTest {
protected:
    void Add(int list, const std::string& path)
    {
        ::SendMessageA(m_app.Item(list), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
    }
    bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
};

TEST_F(WriteTest, OddAddressesAreRefusedAudioFirst)
{
    Start();
    std::string image = m_dir + "pic.bmp";
    ASSERT_TRUE(WriteFile(image, "not really a picture"));
    Add(kImageList, image);
    m_app.SetText(kAudioStart, "00000001");
    m_app.SetText(kImageStart, "00000003");
    m_app.Click(kWrite);
    ExpectBox(L"Audio start address can't be odd value.", L"Warning", m_app.Main(), true);
    EXPECT_TRUE(m_app.NoMessageBox(500)) << "one message only";

    m_app.SetText(kAudioStart, "00000002");
    m_app.Click(kWrite);
    ExpectBox(L"Image start address can't be odd value.", L"Warning", m_app.Main(), true);
    EXPECT_FALSE(Exists(image + ".rbf"));
    EXPECT_EQ(L"", m_app.Text(kResult));
    EXPECT_EQ(1, ::SendMessageW(m_app.Item(kImageList), LB_GETCOUNT, 0, 0));
    Close();
}

TEST_F(WriteTest, NothingListedIsAnError)
{
    Start();
    m_app.Click(kWrite);
    ExpectBox(L"No audio or image file in the list windows.", L"Error", m_app.Main(), false);
    Close();
}

TEST_F(WriteTest, AudioWithoutSampleRateIsRefused)
{
    Start();
    std::string audio = m_dir + "clip.wav";
    ASSERT_TRUE(WriteFile(audio, "RIFF"));
    Add(kAudioList, audio);
    m_app.SetText(kSampleRate, "");
    m_app.Click(kWrite);
    ExpectBox(L"Target sample rate can't be 0.", L"Warning", m_app.Main(), true);
    EXPECT_FALSE(Exists(audio + ".rbf"));
    Close();
}

TEST_F(WriteTest, FailedConversionStopsAndLeavesNoConvertedFiles)
{
    Start();
    std::string audio = m_dir + "broken.wav";
    ASSERT_TRUE(WriteFile(audio, "this is no sound at all"));
    std::string image = m_dir + "pic.bmp";
    ASSERT_TRUE(WriteFile(image, "BM"));
    Add(kAudioList, audio);
    Add(kImageList, image);
    m_app.Click(kWrite);
    ExpectBox(L"Convert audio file fail.", L"Error", m_app.Main(), false);
    EXPECT_TRUE(m_app.NoMessageBox(300));
    EXPECT_EQ(L"Converting broken.wav...", m_app.Text(kResult));
    EXPECT_FALSE(Exists(audio + ".rbf"));
    EXPECT_FALSE(Exists(image + ".rbf"));

    // An unknown extension fails the same way.
    ::SendMessageW(m_app.Item(kAudioList), LB_RESETCONTENT, 0, 0);
    Add(kAudioList, m_dir + "song.mp3.bak");
    m_app.Click(kWrite);
    ExpectBox(L"Convert audio file fail.", L"Error", m_app.Main(), false);
    EXPECT_EQ(L"Converting song.mp3.bak...", m_app.Text(kResult));
    Close();
}

TEST_F(WriteTest, EnterInTheDownloadPanelDoesNotReachTheHiddenWrite)
{
    Start();
    HWND path = m_app.Item(kPath);
    ::PostMessageW(path, WM_KEYDOWN, VK_RETURN, 0);
    ::PostMessageW(path, WM_KEYUP, VK_RETURN, 0);
    EXPECT_TRUE(m_app.NoMessageBox(1500));
    EXPECT_TRUE(::IsWindow(m_app.Main()));
    Close();
}

}  // namespace
}  // namespace gui

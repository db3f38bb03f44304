// The builder's Write command: its checks, its messages and its clean-up.
// The panel is hidden; the test posts what its controls would send.
#include "ConsoleProcess.h"
#include "Fixture.h"
#include "SampleMedia.h"

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

TEST_F(WriteTest, ConvertsPacksWritesAndCleansUp)
{
    std::string audio = m_dir + "tone.wav", image = m_dir + "pic.bmp";
    ASSERT_TRUE(WriteFile(audio, Tone()));
    ASSERT_TRUE(WriteFile(image, Picture()));
    Start();
    Add(kAudioList, audio);
    Add(kImageList, image);
    m_app.SetText(kImageStart, "00010000");
    ::SendMessageW(m_app.Item(1008), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessageW(m_app.Item(1010), BM_SETCHECK, BST_CHECKED, 0);  // NAND
    m_app.Click(kWrite);
    ASSERT_TRUE(WaitFor([&] { return m_app.Text(kResult) == L"Writing image files to flash success."; }, 30000))
        << std::string(m_app.Text(kResult).begin(), m_app.Text(kResult).end());
    ASSERT_TRUE(WaitFor([&] { return m_app.OtherDialogs().empty(); }));

    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    std::string packed = ReadFile(std::string(temp) + "PackedImageFile.bin");
    ASSERT_GT(packed.size(), 0x10000u + 2 + 32768 - 1);
    EXPECT_EQ(std::string("\x01\x00", 2), packed.substr(0, 2));
    EXPECT_EQ(std::string("\x40\xBF\x0A\x80\x80\x88\x01\xFF", 8), packed.substr(2, 8));
    EXPECT_EQ(std::string("\x01\x00", 2), packed.substr(0x10000, 2));
    EXPECT_EQ(0x10000u + 2 + 32768, packed.size());
    std::string flash = ReadFile(m_flash);
    EXPECT_TRUE(flash.compare(0, packed.size(), packed) == 0);
    EXPECT_NE(std::string::npos, DownloadLog().find(",Tessaline,write," + std::string(temp) + "PackedImageFile.bin,"
                                                    + std::to_string(packed.size()) + ","))
        << DownloadLog();
    EXPECT_NE(std::string::npos, DownloadLog().find(",,0x00000000,NAND,ok,"));

    // The console program's pack makes the same file from the same inputs.
    std::string out, err;
    ASSERT_EQ(0, RunConsole(ExeDir() + "tessa.exe", "pack -o \"" + m_dir + "cli.bin\" --audio \"" + audio
                                + "\" --image \"" + image + "\" --image-start 10000", {}, &out, &err))
        << err;
    EXPECT_TRUE(packed == ReadFile(m_dir + "cli.bin"));

    for (const std::string& gone : { audio + ".rbf", image + ".rbf", audio + ".apm", audio + ".rbf.apm" })
        EXPECT_FALSE(Exists(gone)) << gone;
    std::vector<std::string> calls = CallTexts();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ("KP6600SetFlashInfo 0 6 0 -> 1", calls[1]);
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

// Hearing and seeing the listed files as the device will play and show them.
class LookTest : public WriteTest {
protected:
    // The program's temporary folder, to see that a look leaves nothing there.
    void StartWithOwnTemp()
    {
        m_temp = MakeTempDir("look");
        m_app.SetEnv("TEMP", m_temp);
        m_app.SetEnv("TMP", m_temp);
        Start();
    }
    void DoubleClick(int list)
    {
        ::SendMessageW(m_app.Item(list), LB_SETCURSEL, 0, 0);
        ::PostMessageW(m_app.Main(), WM_COMMAND, MAKEWPARAM(list, LBN_DBLCLK),
                       reinterpret_cast<LPARAM>(m_app.Item(list)));
    }
    bool TempIsEmpty()
    {
        WIN32_FIND_DATAA found;
        HANDLE search = ::FindFirstFileA((m_temp + "*").c_str(), &found);
        bool empty = true;
        if (search != INVALID_HANDLE_VALUE) {
            do
                empty = empty && found.cFileName[0] == '.';
            while (::FindNextFileA(search, &found));
            ::FindClose(search);
        }
        return empty;
    }
    std::string m_temp;
};

TEST_F(LookTest, ClipWithoutAudioOutputSaysSoOnceAndLeavesNothing)
{
    // No audio driver at all, whatever the machine has: Wine takes its
    // drivers from this value, and an empty one names none.
    HKEY drivers = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Drivers", 0, nullptr, 0, KEY_WRITE,
                                               nullptr, &drivers, nullptr));
    ::RegSetValueExA(drivers, "Audio", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    StartWithOwnTemp();
    const std::string audio = m_dir + "tone.wav";
    ASSERT_TRUE(WriteFile(audio, Tone()));
    Add(kAudioList, audio);
    DoubleClick(kAudioList);
    ExpectBox(L"There is no audio output to play the clip on.", L"Error", m_app.Main(), false);
    EXPECT_TRUE(m_app.NoMessageBox(500));
    EXPECT_EQ(L"", m_app.Text(kResult));
    EXPECT_TRUE(TempIsEmpty());
    EXPECT_FALSE(Exists(audio + ".apm")) << "nothing beside the source";
    Close();
    ::RegDeleteValueA(drivers, "Audio");
    ::RegCloseKey(drivers);
}

TEST_F(LookTest, PictureOpensAWindowOfItsOwn)
{
    StartWithOwnTemp();
    const std::string image = m_dir + "pic.bmp";
    ASSERT_TRUE(WriteFile(image, Picture()));
    Add(kImageList, image);
    DoubleClick(kImageList);
    HWND look = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (look = ::FindWindowW(L"Tessaline.Window", L"pic.bmp")) != nullptr; }));
    EXPECT_TRUE(::IsWindowVisible(look));
    EXPECT_TRUE(m_app.NoMessageBox(300));
    EXPECT_TRUE(TempIsEmpty());
    Close();
    EXPECT_FALSE(::IsWindow(look));
}

}  // namespace
}  // namespace gui

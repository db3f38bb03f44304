// The builder as a media tool: saving the packed image, the question before
// a packed image too big for the flash is used, and files dropped on the lists.
#include "ConsoleProcess.h"
#include "Fixture.h"
#include "SampleMedia.h"

namespace gui {
namespace {

const int kAudioList = 1012, kImageList = 1001, kImageStart = 1023, kSampleRate = 1025, kWrite = 1029, kOpenSet = 1040,
          kSaveSet = 1041, kSaveImage = 1042, kNand = 1010;

class BuilderToolsTest : public AppTest {
protected:
    void StartWithClipAndPicture()
    {
        m_audio = m_dir + "tone.wav";
        m_image = m_dir + "pic.bmp";
        ASSERT_TRUE(WriteFile(m_audio, Tone()));
        ASSERT_TRUE(WriteFile(m_image, Picture()));
        Start();
        for (auto entry : { std::make_pair(kAudioList, &m_audio), std::make_pair(kImageList, &m_image) })
            ::SendMessageA(m_app.Item(entry.first), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.second->c_str()));
    }
    void SaveAs(const std::string& path, int command = kSaveImage)
    {
        m_app.Click(command);
        HWND dialog = WaitFileDialog();
        ASSERT_TRUE(dialog != nullptr);
        TypeInFileDialog(dialog, path);
    }
    bool NoConvertedFiles()
    {
        for (const std::string& file : { m_audio + ".rbf", m_image + ".rbf", m_audio + ".apm" })
            if (::GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES)
                return false;
        return true;
    }
    std::string m_audio, m_image;
};

TEST_F(BuilderToolsTest, SaveGivesTheBytesTheWriteProgramsAndOffersThemForDownload)
{
    StartWithClipAndPicture();
    m_app.SetText(kImageStart, "00010000");
    const std::string saved = m_dir + "saved.bin";
    SaveAs(saved);
    ASSERT_TRUE(WaitFor([&] { return m_app.Text(kResult) == L"Saving image file success."; }, 30000));
    EXPECT_EQ(Wide(saved), m_app.Text(kPath));
    EXPECT_TRUE(NoConvertedFiles());
    EXPECT_TRUE(Calls().empty()) << "a Save needs no device";

    m_app.Click(kWrite);
    ASSERT_TRUE(WaitFor([&] { return m_app.Text(kResult) == L"Writing image files to flash success."; }, 30000));
    const std::string bytes = ReadFile(saved);
    EXPECT_EQ(0x10000u + 2 + 32768, bytes.size());
    EXPECT_TRUE(ReadFile(m_flash).compare(0, bytes.size(), bytes) == 0);
    Close();
}

TEST_F(BuilderToolsTest, ASetSavedReopensTheSameAndTessaPacksItToTheWindowsBytes)
{
    StartWithClipAndPicture();
    m_app.SetText(kImageStart, "00010000");
    m_app.SetText(kSampleRate, "16000");
    ::SendMessageW(m_app.Item(1008), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessageW(m_app.Item(kNand), BM_SETCHECK, BST_CHECKED, 0);
    const std::string set = m_dir + "board.tms", saved = m_dir + "saved.bin";
    SaveAs(set, kSaveSet);
    ASSERT_TRUE(WaitFor([&] { return m_app.Text(kResult) == L"Media set board.tms saved."; }));
    EXPECT_EQ("tessaline-media-set = 1\nspeech-format = APM\nsample-rate = 16000\nsystem-clock = 6144000\n"
              "background = 255, 255, 255\naudio-start = 00000000\nimage-start = 00010000\nflash-type = NAND\n\n"
              "audio = tone.wav\nimage = pic.bmp\n",
              ReadFile(set));
    SaveAs(saved);
    ASSERT_TRUE(WaitFor([&] { return m_app.Text(kResult) == L"Saving image file success."; }, 30000));

    std::string out, err;
    ASSERT_EQ(0, RunConsole(ExeDir() + "tessa.exe", "pack --set \"" + set + "\" -o \"" + m_dir + "cli.bin\"", {}, &out,
                            &err)) << err;
    EXPECT_TRUE(ReadFile(saved) == ReadFile(m_dir + "cli.bin"));

    // The panel changed, then the set opened again.
    ::SendMessageW(m_app.Item(kAudioList), LB_RESETCONTENT, 0, 0);
    m_app.SetText(kImageStart, "00000000");
    m_app.SetText(kSampleRate, "8000");
    ::SendMessageW(m_app.Item(kNand), BM_SETCHECK, BST_UNCHECKED, 0);
    SaveAs(set, kOpenSet);
    ASSERT_TRUE(WaitFor([&] { return m_app.Text(kResult) == L"Media set board.tms opened."; }));
    EXPECT_EQ(std::vector<std::wstring>{ Wide(m_audio) }, ListItems(kAudioList));
    EXPECT_EQ(std::vector<std::wstring>{ Wide(m_image) }, ListItems(kImageList));
    EXPECT_EQ(L"00010000", m_app.Text(kImageStart));
    EXPECT_EQ(L"16000", m_app.Text(kSampleRate));
    EXPECT_EQ(BST_CHECKED, ::SendMessageW(m_app.Item(kNand), BM_GETCHECK, 0, 0));
    Close();
}

TEST_F(BuilderToolsTest, AnImagePastTheFlashEndIsUsedOnlyWhenTheUserSaysSo)
{
    StartWithClipAndPicture();
    m_app.SetText(kAudioStart, "0003F000");
    m_app.SetText(kImageStart, "00050000");
    ::SendMessageW(m_app.Item(kCapacity), CB_SETCURSEL, 0, 0);  // 2M: 0x40000 bytes
    const std::wstring question = L"Image does not fit the 2M flash: 102402 bytes from address 0x0003F000 end at "
                                  L"0x00058002, past its end at 0x00040000.\r\n\r\nGo on anyway?";
    struct Case {
        int command, answer;
        std::wstring result;
    } cases[] = {
        { kWrite, IDNO, L"Packag image success." },
        { kSaveImage, IDNO, L"Packag image success." },
        { kSaveImage, IDYES, L"Saving image file success." },
    };
    const std::string saved = m_dir + "big.bin";
    for (const Case& c : cases) {
        ::DeleteFileA(saved.c_str());
        if (c.command == kWrite)
            m_app.Click(kWrite);
        else
            SaveAs(saved);
        MessageBoxInfo box;
        ASSERT_TRUE(m_app.WaitMessageBox(&box, 30000));
        EXPECT_EQ(question, box.text);
        EXPECT_EQ(L"Warning", box.caption);
        m_app.Answer(box, c.answer);
        EXPECT_TRUE(WaitFor([&] { return m_app.Text(kResult) == c.result; })) << c.command << " " << c.answer;
        EXPECT_TRUE(m_app.OtherDialogs().empty());
        EXPECT_TRUE(WaitFor([&] { return NoConvertedFiles(); }));
        EXPECT_EQ(c.answer == IDYES, ReadFile(saved).size() == 102402u);
    }
    EXPECT_TRUE(Calls().empty());
    Close();
}

TEST_F(BuilderToolsTest, FilesDroppedOnTheBuilderJoinTheirListsInOrder)
{
    Start("start.bin");
    ::SendMessageW(m_app.Main(), WM_SYSCOMMAND, 0x0020, 0);  // the builder
    RECT list;
    ::GetWindowRect(m_app.Item(kAudioList), &list);
    ::MapWindowPoints(nullptr, m_app.Main(), reinterpret_cast<POINT*>(&list), 2);
    const std::wstring folder = Wide(m_dir);
    const std::vector<std::wstring> dropped = { folder + L"b.WAV", folder + L"p.png", folder + L"notes.txt",
                                                folder + L"a.mp3", folder + L"q.Gif", folder + L"image.bin" };
    ASSERT_TRUE(m_app.DropFiles(dropped, { list.left + 4, list.top + 4 }, false));
    MessageBoxInfo box;
    ASSERT_TRUE(m_app.WaitMessageBox(&box));
    EXPECT_EQ(L"These files are neither audio (MP3, WAV) nor image files (JPG, BMP, PNG, GIF), so they are not "
              L"added:\r\n" + dropped[2] + L"\r\n" + dropped[5], box.text);
    EXPECT_EQ(L"Warning", box.caption);
    m_app.Dismiss(box);
    EXPECT_TRUE(WaitFor([&] { return ListItems(kImageList).size() == 2; }));
    EXPECT_EQ((std::vector<std::wstring>{ dropped[0], dropped[3] }), ListItems(kAudioList));
    EXPECT_EQ((std::vector<std::wstring>{ dropped[1], dropped[4] }), ListItems(kImageList));
    EXPECT_EQ(L"start.bin", m_app.Text(kPath)) << "the download panel's path stays";
    Close();
}

}  // namespace
}  // namespace gui

// The builder's file lists: adding through the file dialog, deleting, moving,
// and the limit of entries. The panel is hidden; the test drives it by the
// messages its buttons would send.
#include "Fixture.h"

namespace gui {
namespace {

const int kAudioList = 1012, kAudioAdd = 1014, kAudioDel = 1016, kAudioUp = 1019, kAudioDown = 1022;
const int kImageList = 1001, kImageAdd = 1003, kImageDel = 1004, kImageUp = 1005, kImageDown = 1006;
const int kFileTypeCombo = 0x0470;

// A 2 x 2 24-bit picture.
std::string Bitmap()
{
    std::string bmp = "BM";
    auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) bmp += static_cast<char>(v >> (8 * i)); };
    auto put16 = [&](uint16_t v) { bmp += static_cast<char>(v); bmp += static_cast<char>(v >> 8); };
    put32(70); put32(0); put32(54);
    put32(40); put32(2); put32(2); put16(1); put16(24); put32(0); put32(16); put32(2835); put32(2835); put32(0); put32(0);
    bmp += std::string("\x00\x00\xFF\x00\xFF\x00\x00\x00", 8);
    bmp += std::string("\xFF\x00\x00\xFF\xFF\xFF\x00\x00", 8);
    return bmp;
}

class ListsTest : public AppTest {
protected:
    int Selection(int id) { return static_cast<int>(::SendMessageW(m_app.Item(id), LB_GETCURSEL, 0, 0)); }

    void Fill(int id, const std::vector<std::string>& items)
    {
        ::SendMessageW(m_app.Item(id), LB_RESETCONTENT, 0, 0);
        for (const std::string& item : items)
            ::SendMessageA(m_app.Item(id), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }

    void Select(int id, int index) { ::SendMessageW(m_app.Item(id), LB_SETCURSEL, index, 0); }

    // Presses a list button and returns once the program has handled it.
    void Press(int id)
    {
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(m_app.Main(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                              reinterpret_cast<LPARAM>(m_app.Item(id)), SMTO_NORMAL, 5000, &result);
    }

};

TEST_F(ListsTest, AddingSeveralFilesAppendsThemInOrderAndSelectsTheLast)
{
    std::string folder = m_dir;
    for (const char* name : { "a.bmp", "b.bmp", "c.bmp" })
        ASSERT_TRUE(WriteFile(folder + name, Bitmap()));
    Start();
    m_app.Click(kImageAdd);
    HWND dialog = WaitFileDialog();
    ASSERT_NE(nullptr, dialog);
    wchar_t filter[64] = {};
    ::SendMessageW(::GetDlgItem(dialog, kFileTypeCombo), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(filter));
    EXPECT_STREQ(L"Image File", filter);
    TypeInFileDialog(dialog, folder);                        // into the folder
    TypeInFileDialog(dialog, "\"a.bmp\" \"b.bmp\" \"c.bmp\"");  // three at once
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }));
    ASSERT_TRUE(WaitFor([&] { return ListItems(kImageList).size() == 3; }));
    EXPECT_EQ((std::vector<std::wstring>{ Wide(folder + "a.bmp"), Wide(folder + "b.bmp"), Wide(folder + "c.bmp") }),
              ListItems(kImageList));
    EXPECT_EQ(2, Selection(kImageList));

    // The same file again stands twice.
    m_app.Click(kImageAdd);
    dialog = WaitFileDialog();
    ASSERT_NE(nullptr, dialog);
    TypeInFileDialog(dialog, folder + "a.bmp");
    ASSERT_TRUE(WaitFor([&] { return ListItems(kImageList).size() == 4; }));
    EXPECT_EQ(Wide(folder + "a.bmp"), ListItems(kImageList)[3]);
    EXPECT_EQ(3, Selection(kImageList));
    Close();
}

TEST_F(ListsTest, CancelledDialogAddsNothing)
{
    Start();
    m_app.Click(kAudioAdd);
    HWND dialog = WaitFileDialog();
    ASSERT_NE(nullptr, dialog);
    wchar_t filter[64] = {};
    ::SendMessageW(::GetDlgItem(dialog, kFileTypeCombo), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(filter));
    EXPECT_STREQ(L"MP3/WAV File", filter);
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }));
    EXPECT_TRUE(ListItems(kAudioList).empty());
    Close();
}

TEST_F(ListsTest, DeleteSelectsThePreviousEntryOrTheNewFirst)
{
    Start();
    for (int list : { kAudioList, kImageList }) {
        int del = list == kAudioList ? kAudioDel : kImageDel;
        Fill(list, { "C:\\1", "C:\\2", "C:\\3" });
        Select(list, 0);
        Press(del);
        EXPECT_EQ((std::vector<std::wstring>{ L"C:\\2", L"C:\\3" }), ListItems(list));
        EXPECT_EQ(0, Selection(list));
        Fill(list, { "C:\\1", "C:\\2", "C:\\3" });
        Select(list, 2);
        Press(del);
        EXPECT_EQ((std::vector<std::wstring>{ L"C:\\1", L"C:\\2" }), ListItems(list));
        EXPECT_EQ(1, Selection(list));
        Fill(list, { "C:\\only" });
        Select(list, 0);
        Press(del);
        EXPECT_TRUE(ListItems(list).empty());
        EXPECT_EQ(-1, Selection(list));
        Fill(list, { "C:\\1", "C:\\2" });
        Press(del);  // nothing selected: nothing happens
        EXPECT_EQ(2u, ListItems(list).size());
    }
    Close();
}

TEST_F(ListsTest, MovesKeepTheEntrySelectedAndStopAtTheEnds)
{
    Start();
    for (int list : { kAudioList, kImageList }) {
        int up = list == kAudioList ? kAudioUp : kImageUp;
        int down = list == kAudioList ? kAudioDown : kImageDown;
        Fill(list, { "C:\\1", "C:\\2", "C:\\3" });
        Select(list, 1);
        Press(up);
        EXPECT_EQ((std::vector<std::wstring>{ L"C:\\2", L"C:\\1", L"C:\\3" }), ListItems(list));
        EXPECT_EQ(0, Selection(list));
        Press(up);  // already first
        EXPECT_EQ((std::vector<std::wstring>{ L"C:\\2", L"C:\\1", L"C:\\3" }), ListItems(list));
        EXPECT_EQ(0, Selection(list));
        Press(down);
        Press(down);
        EXPECT_EQ((std::vector<std::wstring>{ L"C:\\1", L"C:\\3", L"C:\\2" }), ListItems(list));
        EXPECT_EQ(2, Selection(list));
        Press(down);  // already last
        EXPECT_EQ(2, Selection(list));
        Select(list, -1);
        Press(up);
        Press(down);
        EXPECT_EQ((std::vector<std::wstring>{ L"C:\\1", L"C:\\3", L"C:\\2" }), ListItems(list));
    }
    EXPECT_TRUE(m_app.OtherDialogs().empty());
    Close();
}

TEST_F(ListsTest, FullListRefusesToOpenTheDialog)
{
    Start();
    HWND list = m_app.Item(kAudioList);
    for (int i = 0; i < 65535; ++i)
        ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("C:\\a.mp3"));
    ASSERT_EQ(65535, ::SendMessageW(list, LB_GETCOUNT, 0, 0));
    m_app.Click(kAudioAdd);
    ExpectBox(L"Maximum audio files is 65535.", L"Warning", m_app.Main(), true);
    EXPECT_TRUE(m_app.OtherDialogs().empty()) << "no file dialog";
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    Close();
}

}  // namespace
}  // namespace gui

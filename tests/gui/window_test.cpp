// The main window as a Windows program: its size rule, files dropped on it
// and the system menu's Image Builder item.
#include "Fixture.h"

namespace gui {
namespace {

const int kAudioList = 1012, kWrite = 1029, kExit = IDOK;
const WPARAM kImageBuilderCommand = 0x0020;

RECT ClientRectOf(HWND parent, HWND child)
{
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The window's children whose left edges lie at or beyond left, labels and
// group boxes without an id included, and whether each is visible.
std::vector<bool> VisibleFrom(HWND window, LONG left)
{
    std::vector<bool> visible;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (ClientRectOf(window, child).left >= left)
            visible.push_back(::IsWindowVisible(child) != FALSE);
    return visible;
}

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right
        && inner.bottom <= outer.bottom;
}

class WindowTest : public AppTest {
protected:
    SIZE WindowSize() const
    {
        RECT rect;
        ::GetWindowRect(m_app.Main(), &rect);
        return { rect.right - rect.left, rect.bottom - rect.top };
    }

    SIZE FrameSize() const
    {
        RECT client;
        ::GetClientRect(m_app.Main(), &client);
        SIZE window = WindowSize();
        return { window.cx - client.right, window.cy - client.bottom };
    }

    // The system menu's Image Builder item (menus of another process
    // cannot be read here, so the check mark is seen in screenshots).
    void ToggleBuilder()
    {
        ::SendMessageW(m_app.Main(), WM_SYSCOMMAND, kImageBuilderCommand, 0);
    }

    std::string MakeFile(const std::string& name)
    {
        std::string path = m_dir + name;
        EXPECT_TRUE(WriteFile(path, std::string(1000, 'x')));
        return path;
    }

};

TEST_F(WindowTest, HeightGrowsToHoldTheResultLabelWidthAndPositionStay)
{
    Start();
    RECT window, client;
    ::GetWindowRect(m_app.Main(), &window);
    ::GetClientRect(m_app.Main(), &client);
    RECT label = ClientRectOf(m_app.Main(), m_app.Item(kResult));
    EXPECT_EQ(0, window.left);
    EXPECT_EQ(0, window.top);
    EXPECT_EQ(450, window.right - window.left);
    // Where the label is out of 380, the window grows to hold it and, below
    // it, the panel's left margin again (the label's left edge).
    LONG needed = label.bottom + FrameSize().cy;
    EXPECT_EQ(needed > 380 ? needed + label.left : 380, window.bottom - window.top);
    EXPECT_TRUE(Inside(label, client));
    for (int id : { kCapacity, kDisconnect, kBrowse, kDownload, kStatus, kProgress })
        EXPECT_TRUE(Inside(ClientRectOf(m_app.Main(), m_app.Item(id)), client)) << id;
    Close();
}

TEST_F(WindowTest, ImageBuilderItemWidensToTheBuilderPanelAndNarrowsBack)
{
    Start();
    SIZE narrow = WindowSize();
    // The builder panel: everything from its audio list's left edge on, 42 windows.
    const LONG builderLeft = ClientRectOf(m_app.Main(), m_app.Item(kAudioList)).left;
    const std::vector<bool> onLeft = VisibleFrom(m_app.Main(), 0);
    EXPECT_EQ(std::vector<bool>(42, false), VisibleFrom(m_app.Main(), builderLeft));
    ToggleBuilder();
    SIZE wide = WindowSize();
    EXPECT_EQ(std::vector<bool>(42, true), VisibleFrom(m_app.Main(), builderLeft));
    RECT client;
    ::GetClientRect(m_app.Main(), &client);
    EXPECT_GT(wide.cx, narrow.cx);
    EXPECT_GT(wide.cy, narrow.cy) << "the flash map's rows go under the result label's level";
    for (int id : { kAudioList, 1001, 1002, 1007, 1017, 1023, 1025, 1026, 1027, 1028, kWrite, kExit, 1040, 1041, 1042,
                    1043, 1044, 1045 }) {
        EXPECT_TRUE(::IsWindowVisible(m_app.Item(id))) << id;
        EXPECT_TRUE(Inside(ClientRectOf(m_app.Main(), m_app.Item(id)), client)) << id;
    }
    EXPECT_TRUE(Inside(ClientRectOf(m_app.Main(), m_app.Item(kResult)), client));

    ToggleBuilder();
    EXPECT_EQ(narrow.cx, WindowSize().cx);
    EXPECT_EQ(narrow.cy, WindowSize().cy);
    for (int id : { kAudioList, kWrite, kExit })
        EXPECT_FALSE(::IsWindowVisible(m_app.Item(id))) << id;
    EXPECT_EQ(onLeft, VisibleFrom(m_app.Main(), 0)) << "the download panel as it was";
    RECT window;
    ::GetWindowRect(m_app.Main(), &window);
    EXPECT_EQ(0, window.left);
    EXPECT_EQ(0, window.top);
    Close();
}

TEST_F(WindowTest, DroppedFileGoesIntoThePathFieldFoldersDoNot)
{
    Start("start.bin");
    EXPECT_TRUE(::GetWindowLongW(m_app.Main(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) << "the shell drops only on windows that accept files";
    std::string folder = MakeTempDir("dropped");
    std::wstring first = Wide(MakeFile("first image.bin")), second = Wide(MakeFile("second.rom"));
    struct Case {
        std::vector<std::wstring> dropped;
        std::wstring path;
    } cases[] = {
        { { Wide(folder) }, L"start.bin" },
        { { Wide(folder), first, second }, first },
        { { second, first }, second },
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(m_app.DropFiles(c.dropped));
        EXPECT_EQ(c.path, m_app.Text(kPath));
    }
    Close();
}

TEST_F(WindowTest, DropWhileADownloadRunsIsIgnored)
{
    m_app.SetEnv("KP6600SIM_ERASE_MS", "2000");
    Start();
    m_app.Click(kConnect);
    ExpectBox(L"连接", kDownloadCaption, m_app.Main(), false);
    ASSERT_TRUE(WaitFor([&] { return m_app.Enabled(kDownload); }));
    std::string image = MakeFile("image.bin");
    m_app.SetText(kPath, image);
    m_app.Click(kDownload);
    ASSERT_TRUE(WaitFor([&] { return Calls().size() >= 4; }));  // erasing now
    ASSERT_TRUE(m_app.DropFiles({ Wide(MakeFile("other.bin")) }));
    EXPECT_EQ(Wide(image), m_app.Text(kPath));
    EXPECT_TRUE(WaitFor([&] { return m_app.Text(kResult) == L"Download OK"; }, 30000));
    Close();
}

}  // namespace
}  // namespace gui

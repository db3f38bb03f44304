// Start-up, the main window's first state, the About box, closing, and the
// converter libraries' failure path.
#include "Fixture.h"

namespace gui {
namespace {

using StartupTest = AppTest;

TEST_F(StartupTest, StartsWithDefaultsAndOnlyTheDownloadPanelInView)
{
    Start();
    EXPECT_EQ(kMainCaption, m_app.WindowText(m_app.Main()));
    EXPECT_EQ(4, m_app.ComboSelection(kCapacity));
    EXPECT_EQ(L"32M", m_app.Text(kCapacity));
    EXPECT_FALSE(m_app.Enabled(kDownload));
    EXPECT_EQ(L"", m_app.Text(kStatus));
    EXPECT_EQ(L"", m_app.Text(kPath));
    EXPECT_EQ(L"00000000", m_app.Text(kAudioStart));
    EXPECT_EQ(6, ::SendMessageW(m_app.Item(kCapacity), CB_GETCOUNT, 0, 0));

    RECT rect;
    ::GetWindowRect(m_app.Main(), &rect);
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(0, rect.top);
    EXPECT_EQ(450, rect.right - rect.left);
    // 380 high, or just more where the font puts the result label lower
    // (the exact rule: window_test.cpp).
    EXPECT_GE(rect.bottom - rect.top, 380);

    // The builder panel exists but shows nothing.
    for (int id : { 1001, 1002, 1007, 1012, 1017, 1023, 1025, 1026, 1027, 1028, 1029 }) {
        ASSERT_NE(nullptr, m_app.Item(id)) << id;
        EXPECT_FALSE(::IsWindowVisible(m_app.Item(id))) << id;
    }
    EXPECT_TRUE(::IsWindowVisible(m_app.Item(kDownload)));
    EXPECT_TRUE(m_app.OtherDialogs().empty());
    Close();
    EXPECT_TRUE(Calls().empty()) << "the driver is loaded on first use only";
}

TEST_F(StartupTest, CommandLineTextGoesIntoThePathFieldAsTyped)
{
    Start("\"C:\\some folder\\image file.bin\"");
    EXPECT_EQ(L"\"C:\\some folder\\image file.bin\"", m_app.Text(kPath));
    Close();
}

TEST_F(StartupTest, AboutBoxFromTheSystemMenuIsModal)
{
    Start();
    ::PostMessageW(m_app.Main(), WM_SYSCOMMAND, 0x0010, 0);
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (HWND hwnd : m_app.OtherDialogs())
            if (m_app.WindowText(hwnd) == L"About Tessaline")
                about = hwnd;
        return about != nullptr;
    }));
    EXPECT_EQ(m_app.Main(), ::GetWindow(about, GW_OWNER));
    EXPECT_FALSE(::IsWindowEnabled(m_app.Main()));
    ::PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(m_app.Main()) != FALSE; }));
    Close();
}

TEST_F(StartupTest, EscapeAltF4AndCloseBoxEachEndTheProgram)
{
    Start();
    m_app.Command(MAKEWPARAM(IDCANCEL, BN_CLICKED));
    EXPECT_EQ(0, m_app.WaitExit());

    App second;
    ASSERT_TRUE(second.Start(ExeDir()));
    ::PostMessageW(second.Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0, second.WaitExit());

    App third;
    ASSERT_TRUE(third.Start(ExeDir()));
    HWND path = third.Item(kPath);
    ::PostMessageW(path, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(0, third.WaitExit());
}

// The program's copy without some of its libraries.
using MissingLibraryTest = AppTest;

TEST_F(MissingLibraryTest, MissingImageConverterEndsInitialisationEarly)
{
    // Neither converter is there: only the first one's failure is reported.
    StartWith({ "KP6600HidDriver.dll" }, "C:\\image.bin");
    ExpectBox(L"Load PicMill.dll failure!!!", L"Error", m_app.Main(), false);
    EXPECT_TRUE(m_app.NoMessageBox(1500)) << "TuneMill.dll must not be tried";
    EXPECT_EQ(-1, m_app.ComboSelection(kCapacity));
    EXPECT_EQ(L"", m_app.Text(kPath));
    EXPECT_EQ(L"", m_app.Text(kAudioStart));
    RECT rect;
    ::GetWindowRect(m_app.Main(), &rect);
    EXPECT_GT(rect.right - rect.left, 450) << "the window keeps the template's size";
    Close();
}

TEST_F(MissingLibraryTest, MissingAudioConverterIsReportedAfterTheImageConverterLoaded)
{
    StartWith({ "KP6600HidDriver.dll", "PicMill.dll" });
    ExpectBox(L"Load TuneMill.dll failure!!!", L"Error", m_app.Main(), false);
    EXPECT_EQ(-1, m_app.ComboSelection(kCapacity));
    Close();
}

TEST_F(MissingLibraryTest, ConnectWithoutCapacitySelectionUsesTheDefault)
{
    StartWith({ "KP6600HidDriver.dll" });
    ExpectBox(L"Load PicMill.dll failure!!!", L"Error", m_app.Main(), false);
    m_app.Click(kConnect);
    ExpectBox(L"连接", kDownloadCaption, m_app.Main(), false);
    EXPECT_TRUE(WaitFor([&] { return m_app.Enabled(kDownload); }));
    EXPECT_EQ(4, m_app.ComboSelection(kCapacity));
    EXPECT_NE(std::wstring::npos, m_app.Text(kStatus).find(L"33554432"));
    Close();
}

}  // namespace
}  // namespace gui

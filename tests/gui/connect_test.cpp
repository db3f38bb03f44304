// Connect, Disconnect and the status panel, against the simulated device.
#include "Fixture.h"

namespace gui {
namespace {

const std::wstring kConnectFailed = L"失败：连接USB，请确认下载器是否已经插入且存储器是否正确";

std::wstring ConnectedStatus(const wchar_t* bits)
{
    return std::wstring(L"芯片 : KP6600 HID\r\nUSB 状态 : 连接\r\n存储器类型 : SPI, 存储器容量 : ") + bits
         + L"\r\n内部数据容量 : 0 (bytes)\r\n操作状态: 连接";
}

const std::wstring kDisconnectedStatus =
    L"芯片 : KP6600 HID\r\nUSB 状态 : 断开\r\n存储器类型 : SPI, 存储器容量 : 0"
    L"\r\n内部数据容量 : 0 (bytes)\r\n操作状态 : 断开";

using ConnectTest = AppTest;

TEST_F(ConnectTest, ConnectOpensShowsConnectedThenClosesAndUnlocksDownload)
{
    Start();
    m_app.Click(kConnect);
    MessageBoxInfo box;
    ASSERT_TRUE(m_app.WaitMessageBox(&box));
    EXPECT_EQ(L"连接", box.text);
    EXPECT_EQ(kDownloadCaption, box.caption);
    EXPECT_EQ(m_app.Main(), box.owner);
    EXPECT_FALSE(box.hasIcon);
    // The device stays open while the box is up.
    EXPECT_EQ(std::vector<std::string>{ "KP6600Open 0 -> 0" }, CallTexts());
    EXPECT_FALSE(m_app.Enabled(kDownload));
    m_app.Dismiss(box);

    ASSERT_TRUE(WaitFor([&] { return m_app.Enabled(kDownload); }));
    EXPECT_EQ((std::vector<std::string>{ "KP6600Open 0 -> 0", "KP6600Close 0 -> 0" }), CallTexts());
    EXPECT_EQ(ConnectedStatus(L"33554432"), m_app.Text(kStatus));
    Close();
}

TEST_F(ConnectTest, StatusShowsTheSelectedCapacityInBits)
{
    Start();
    const wchar_t* expected[] = { L"2097152", L"4194304", L"8388608", L"16777216", L"33554432", L"67108864" };
    for (int index = 0; index < 6; ++index) {
        ::SendMessageW(m_app.Item(kCapacity), CB_SETCURSEL, index, 0);
        m_app.Click(kConnect);
        ExpectBox(L"连接", kDownloadCaption, m_app.Main(), false);
        ASSERT_TRUE(WaitFor([&] { return m_app.Text(kStatus) == ConnectedStatus(expected[index]); }))
            << "capacity index " << index;
    }
    Close();
}

TEST_F(ConnectTest, DisconnectClosesTheConstantOneAndLocksDownload)
{
    Start();
    m_app.Click(kDisconnect);
    ExpectBox(L"断开", kDownloadCaption, m_app.Main(), false);
    ASSERT_TRUE(WaitFor([&] { return m_app.Text(kStatus) == kDisconnectedStatus; }));
    EXPECT_FALSE(m_app.Enabled(kDownload));
    EXPECT_EQ(std::vector<std::string>{ "KP6600Close 1 -> -1" }, CallTexts());

    m_app.Click(kConnect);
    ExpectBox(L"连接", kDownloadCaption, m_app.Main(), false);
    ASSERT_TRUE(WaitFor([&] { return m_app.Enabled(kDownload); }));
    m_app.Click(kDisconnect);
    ExpectBox(L"断开", kDownloadCaption, m_app.Main(), false);
    ASSERT_TRUE(WaitFor([&] { return !m_app.Enabled(kDownload); }));
    EXPECT_EQ(kDisconnectedStatus, m_app.Text(kStatus));
    Close();
}

TEST_F(ConnectTest, AbsentDeviceLeavesTheStateAsItWas)
{
    m_app.SetEnv("KP6600SIM_OPEN_FAILS", "1");
    Start();
    m_app.Click(kConnect);
    ExpectBox(kConnectFailed, kDownloadCaption, m_app.Main(), false);
    EXPECT_FALSE(m_app.Enabled(kDownload));
    EXPECT_EQ(L"", m_app.Text(kStatus));

    // A failed Connect after a good one keeps the button and the old status.
    m_app.Click(kConnect);
    ExpectBox(L"连接", kDownloadCaption, m_app.Main(), false);
    ASSERT_TRUE(WaitFor([&] { return m_app.Enabled(kDownload); }));
    std::wstring connected = m_app.Text(kStatus);
    Close();

    App unplugged;
    unplugged.SetEnv("KP6600SIM_PLUGGED", "0");
    unplugged.SetEnv("KP6600SIM_FLASH_FILE", m_flash);
    ASSERT_TRUE(unplugged.Start(ExeDir()));
    unplugged.Click(kConnect);
    MessageBoxInfo box;
    ASSERT_TRUE(unplugged.WaitMessageBox(&box));
    EXPECT_EQ(kConnectFailed, box.text);
    unplugged.Dismiss(box);
    EXPECT_FALSE(unplugged.Enabled(kDownload));
    ::PostMessageW(unplugged.Main(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, unplugged.WaitExit());
    EXPECT_EQ(ConnectedStatus(L"33554432"), connected);
}

TEST_F(ConnectTest, MissingDriverIsReportedOwnerlessThenAsFailedConnectEachTime)
{
    std::string dir = MakeTempDir("nodriver");
    ASSERT_TRUE(CopyFromBin(dir, { "Tessaline.exe", "PicMill.dll", "TuneMill.dll" }));
    ASSERT_TRUE(m_app.Start(dir));
    for (int attempt = 0; attempt < 2; ++attempt) {
        m_app.Click(kConnect);
        ExpectBox(L"Load KP6600HidDriver.dll failure!!!", L"Error", nullptr, false);
        ExpectBox(kConnectFailed, kDownloadCaption, m_app.Main(), false);
    }
    EXPECT_FALSE(m_app.Enabled(kDownload));
    Close();
}

}  // namespace
}  // namespace gui

// A long random session of the window, as a user with a flaky board would
// have it: Connect, Disconnect, capacities, paths and downloads against a
// driver that fails now here, now there (or is not there at all), every box
// answered. Download is enabled exactly while the last Connect found the
// device and no Disconnect came after it; whatever came before, a click on it
// then always shows something.
#include "Fixture.h"
#include <commctrl.h>
#include <cstdlib>
#include <vector>

namespace gui {
namespace {

class SessionTest : public AppTest {
protected:
    // The driver's faults for the next runs, through its ini file, replaced whole.
    bool SetFaults(const std::string& faults)
    {
        if (!WriteFile(m_appDir + "next.ini", "[Device]\r\n" + faults))
            return false;
        return WaitFor([&] {
            return ::MoveFileExA((m_appDir + "next.ini").c_str(), (m_appDir + "KP6600HidDriver.ini").c_str(),
                                 MOVEFILE_REPLACE_EXISTING) != FALSE;
        });
    }

    // Answers every box until the window is idle again: no box, and the
    // result label empty (a refusal) or final with the bar back at 0. The
    // boxes' texts go into *texts.
    bool AnswerUntilIdle(std::vector<std::wstring>* texts = nullptr)
    {
        return WaitFor([&] {
            MessageBoxInfo box;
            if (m_app.WaitMessageBox(&box, 50)) {
                if (texts)
                    texts->push_back(box.text);
                m_app.Dismiss(box);
                return false;
            }
            const std::wstring result = m_app.Text(kResult);
            const bool ended = result.empty() || result == L"Download OK" || result == L"Download Fail!";
            return ended && m_app.OtherDialogs().empty()
                   && ::SendMessageW(m_app.Item(kProgress), PBM_GETPOS, 0, 0) == 0;
        }, 60000);
    }
};

TEST_F(SessionTest, DownloadAlwaysAnswersThroughALongRandomSession)
{
    const std::string small = m_dir + "small.bin", big = m_dir + "big.bin";
    ASSERT_TRUE(WriteFile(small, std::string(40000, 'a')));
    ASSERT_TRUE(WriteFile(big, std::string(600000, 'b')));  // over 4M (bits)
    const std::string paths[] = { small, small, big, m_dir + "none.bin" };
    const std::string faults[] = { "", "", "FailBlock=2\r\n", "FlashInfoFails=1\r\n", "EraseResult=0\r\n",
                                   "ShortBlock=1\r\n", "", "Plugged=0\r\n" };
    ASSERT_TRUE(SetFaults(""));
    Start();
    // TESSALINE_SESSION_SEED and _STEPS give other and longer sessions.
    const char* seedText = std::getenv("TESSALINE_SESSION_SEED");
    const char* stepsText = std::getenv("TESSALINE_SESSION_STEPS");
    unsigned seed = seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 20261209u;
    const int steps = stepsText ? std::atoi(stepsText) : 100;
    auto next = [&](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };
    // Download is enabled once a Connect has found the device and until a
    // Disconnect; whatever else happened, a click on it then shows something.
    bool connected = false;
    auto connect = [&] {
        std::vector<std::wstring> texts;
        m_app.Click(kConnect);
        ASSERT_TRUE(AnswerUntilIdle(&texts));
        if (!texts.empty() && texts.front() == L"连接")
            connected = true;
    };
    int downloads = 0;
    for (int step = 0; step < steps; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        switch (next(6)) {
        case 0:
            connect();
            break;
        case 1:
            m_app.Click(kDisconnect);
            connected = false;
            break;
        case 2:
            ::SendMessageW(m_app.Item(kCapacity), CB_SETCURSEL, next(6), 0);
            m_app.Command(MAKEWPARAM(kCapacity, CBN_SELCHANGE), reinterpret_cast<LPARAM>(m_app.Item(kCapacity)));
            break;
        case 3:
            m_app.SetText(kPath, paths[next(4)]);
            break;
        default:
            ASSERT_TRUE(SetFaults(faults[next(8)]));
            if (!connected)
                connect();
            ASSERT_EQ(connected, m_app.Enabled(kDownload));
            if (!connected)
                break;
            ++downloads;
            m_app.SetText(kResult, "");
            m_app.Click(kDownload);
            ASSERT_TRUE(WaitFor([&] { return !m_app.Text(kResult).empty() || !m_app.OtherDialogs().empty(); },
                                30000))
                << "Download showed nothing";
            break;
        }
        ASSERT_TRUE(AnswerUntilIdle());
        ASSERT_EQ(connected, m_app.Enabled(kDownload));
    }
    EXPECT_GT(downloads, steps / 4);
    Close();
}

}  // namespace
}  // namespace gui

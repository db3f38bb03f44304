// One board's session against a device of the test's own: the stop rule,
// the run's time, the log line and the runner's wait.
#include "AppDriver.h"
#include "BoardStation.h"
#include "FlashRunner.h"
#include "RunClock.h"
#include <gtest/gtest.h>
#include <functional>

namespace {

// A device that is there after `absentOpens` opens that find none,
// erases and programs at once, and lets the test act at the erase and at
// each block.
class TestDevice : public FlashDevice {
public:
    int Open(int) override
    {
        ++opens;
        if (absentOpens > 0) {
            --absentOpens;
            return -1;
        }
        return 7;
    }
    void Close(int) override
    {
        ++closes;
        if (pulledAfterClose)
            absentOpens = 1;
    }
    int SetFlashInfo(int, int, int) override { return 1; }
    int InitFlash(int) override
    {
        if (onErase)
            onErase();
        return 1;
    }
    int Program(int, const unsigned char*, int count, unsigned int, int* programmed) override
    {
        ++blocks;
        if (onBlock)
            onBlock(blocks);
        *programmed = count;
        return 1;
    }

    int absentOpens = 0, opens = 0, closes = 0, blocks = 0;
    // Each board is pulled as its device is closed, and the next one plugged in.
    bool pulledAfterClose = false;
    std::function<void()> onErase;
    std::function<void(int)> onBlock;
};

// A view that shows nothing.
struct QuietView : StationView {};

class FlashSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = gui::MakeTempDir("session");
        ASSERT_FALSE(m_dir.empty());
        m_log = m_dir + "log.csv";
        m_session.job.imagePath = L"image.bin";
        // 40000 bytes: blocks of 16384, 16384 and 7232.
        m_session.job.image = std::make_shared<std::vector<unsigned char>>(40000, 0x5A);
        m_session.job.openRetryMs = 0;
        m_session.logPath = std::wstring(m_log.begin(), m_log.end());
    }
    // The log's lines after its header.
    size_t LoggedRuns() const
    {
        const std::string log = gui::ReadFile(m_log);
        size_t lines = 0;
        for (char c : log)
            lines += c == '\n';
        return lines ? lines - 1 : 0;
    }

    std::string m_dir, m_log;
    FlashSessionJob m_session;
    TestDevice m_device;
    FlashStop m_stop;
    QuietView m_view;
};

// A stop: a board not yet started is not started and not logged; a board in
// flight ends at its next check and is logged cancelled; a board that ended
// keeps its result.
TEST_F(FlashSessionTest, AStopMeansTheSameAtEveryPointOfABoard)
{
    struct Case {
        const char* when;
        bool started;
        const char* result;
        int blocks;
    } cases[] = {
        { "before", false, "", 0 },
        { "erase", true, "cancelled", 0 },
        { "last block", true, "ok", 3 },
    };
    for (const Case& c : cases) {
        ::DeleteFileA(m_log.c_str());
        TestDevice device;
        FlashStop stop;
        const std::string when = c.when;
        if (when == "before")
            stop.Request();
        device.onErase = [&] { if (when == "erase") stop.Request(); };
        device.onBlock = [&](int block) { if (when == "last block" && block == 3) stop.Request(); };
        QuietView report;
        const FlashBoardResult result = RunFlashBoard(device, m_session, stop, report);
        EXPECT_EQ(c.started, result.started) << c.when;
        EXPECT_EQ(c.blocks, device.blocks) << c.when;
        EXPECT_EQ(c.started ? 1u : 0u, LoggedRuns()) << c.when;
        if (c.started)
            EXPECT_NE(std::string::npos, gui::ReadFile(m_log).find(std::string(",SPI,") + c.result + ",")) << c.when;
        else
            EXPECT_EQ(0, device.opens) << c.when;
    }
}

// With --loop, a stop while a board waits to be removed ends the station:
// the board still plugged in is not run and logged again.
TEST_F(FlashSessionTest, AStopWhileABoardWaitsToBeRemovedEndsTheStation)
{
    struct RemovingView : StationView {
        FlashStop* stop = nullptr;
        void RemoveBoard(unsigned int) override { stop->Request(); }
    } view;
    view.stop = &m_stop;
    const BoardTally tally = RunStation(m_device, m_session, m_stop, true, view);
    EXPECT_EQ(1u, tally.good);
    EXPECT_EQ(0u, tally.failed);
    EXPECT_EQ(1u, LoggedRuns());
    EXPECT_EQ(3, m_device.blocks);
}

// --count: boards past it are not started, whichever station they come to.
TEST_F(FlashSessionTest, TheCountEndsEveryStation)
{
    FlashStop two(2);
    m_device.pulledAfterClose = true;
    const BoardTally tally = RunStation(m_device, m_session, two, true, m_view);
    EXPECT_EQ(2u, tally.good);
    EXPECT_EQ(2u, LoggedRuns());
    EXPECT_FALSE(two.Due());
}

// The time of a run runs from the device's open to its close: the wait for a
// board is not in it.
TEST_F(FlashSessionTest, TheWaitForABoardIsNotInTheRunsTime)
{
    m_device.absentOpens = 4;
    m_session.job.openAttempts = 0;
    m_session.job.openRetryMs = 250;
    const RunClock clock;
    const FlashBoardResult result = RunFlashBoard(m_device, m_session, m_stop, m_view);
    ASSERT_GE(clock.Milliseconds(), 1000u);
    EXPECT_EQ(1, result.outcome.result);
    EXPECT_LT(result.milliseconds, 250u);
    EXPECT_EQ(1, m_device.closes);
}

// Every front end logs the image by its full path, however it was given.
TEST_F(FlashSessionTest, TheLogNamesTheImageByItsFullPath)
{
    wchar_t folder[MAX_PATH];
    const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, folder);
    ASSERT_GT(length, 0u);
    std::wstring expected(folder, length);
    if (expected.back() != L'\\')
        expected += L'\\';
    EXPECT_EQ(expected + L"image.bin", FlashLogEntry(m_session, FlashBoardResult()).imagePath);
}

// A wait entered again while the first serves messages (the run's end served
// inside it) returns at once; the first waits for the thread and releases it.
FlashRunner* g_runner = nullptr;
HANDLE g_release = nullptr;
bool g_innerReturnedWhileActive = false;
void WaitServingTheFinish(HANDLE thread)
{
    g_runner->Wait();
    g_innerReturnedWhileActive = g_runner->IsActive();
    ::SetEvent(g_release);
    ::WaitForSingleObject(thread, INFINITE);
}

TEST_F(FlashSessionTest, AWaitEnteredAgainReturnsAtOnce)
{
    g_release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_device.onErase = [] { ::WaitForSingleObject(g_release, INFINITE); };
    FlashRunner runner(&WaitServingTheFinish);
    g_runner = &runner;
    ASSERT_TRUE(runner.Start(m_device, m_session, m_view));
    runner.Wait();
    EXPECT_TRUE(g_innerReturnedWhileActive);
    EXPECT_FALSE(runner.IsActive());
    EXPECT_EQ(1, runner.Result().outcome.result);
    runner.Wait();
    ::CloseHandle(g_release);
}

}  // namespace

// The one way a worker hands typed events to a window's thread.
#include "HostWindow.h"
#include "WorkerEvents.h"
#include <gtest/gtest.h>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

const UINT kEventMessage = WM_APP + 1;
const UINT kOtherMessage = WM_APP + 2;
const int kNone = -1;

// Notes every event it is handed (kNone for a message that carries none)
// and every other message, as 100 + its first parameter.
class Receiver : public HostWindow {
public:
    Receiver() : HostWindow(0, 0, 50, 50, false), m_events(kEventMessage) { m_events.Open(m_hWnd); }

    CWorkerEvents<std::shared_ptr<int>> m_events;
    std::vector<int> m_seen;

protected:
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (msg == kEventMessage) {
            std::shared_ptr<int> event;
            m_seen.push_back(m_events.Receive(wParam, lParam, &event) ? *event : kNone);
        } else if (msg == kOtherMessage) {
            m_seen.push_back(100 + static_cast<int>(wParam));
        } else {
            return HostWindow::OnWndMsg(msg, wParam, lParam, result);
        }
        *result = 0;
        return TRUE;
    }
};

TEST(WorkerEvents, PostedEventsKeepTheirPlacesAmongPostedMessagesAndASentOneGoesFirst)
{
    Receiver window;
    std::atomic<bool> done{ false };
    std::thread worker([&] {
        window.m_events.Post(std::make_shared<int>(1));
        ::PostMessageW(window.m_hWnd, kOtherMessage, 1, 0);
        window.m_events.Post(std::make_shared<int>(2));
        window.m_events.Send(std::make_shared<int>(3));
        done = true;
    });
    // Nothing is served until the sent event waits beside the posted ones.
    const DWORD start = ::GetTickCount();
    while (!(HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) && ::GetTickCount() - start < 5000)
        ::Sleep(5);
    while (!done && ::GetTickCount() - start < 10000) {
        PumpMessages();
        ::Sleep(5);
    }
    worker.join();
    PumpMessages();
    EXPECT_EQ((std::vector<int>{ 3, 1, 101, 2 }), window.m_seen);
}

TEST(WorkerEvents, EventsLeftWhenOpenedAgainAreFreedAndTheirMessagesCarryNothing)
{
    Receiver window;
    auto payload = std::make_shared<int>(7);
    ASSERT_TRUE(window.m_events.Post(payload));
    ASSERT_TRUE(window.m_events.Post(payload));
    EXPECT_EQ(3, payload.use_count());
    window.m_events.Open(window.m_hWnd);
    EXPECT_EQ(1, payload.use_count());
    window.m_events.Post(std::make_shared<int>(8));
    PumpMessages();
    EXPECT_EQ((std::vector<int>{ kNone, kNone, 8 }), window.m_seen);
}

}  // namespace

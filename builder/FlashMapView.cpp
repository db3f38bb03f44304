#include "FlashMapView.h"
#include "resource.h"

namespace {

// Tells the window which file is being converted, while its request is the newest.
class ConvertingReport : public FlashMapReport {
public:
    ConvertingReport(CWorkerEvents<FlashMapEvent>& events, uint64_t request) : m_events(events), m_request(request) {}
    void Converting(const std::string& source, size_t done, size_t total) override
    {
        FlashMapEvent event;
        event.kind = FlashMapEvent::Kind::converting;
        event.request = m_request;
        event.source = source;
        event.done = done;
        event.total = total;
        m_events.Post(std::move(event));
    }

private:
    CWorkerEvents<FlashMapEvent>& m_events;
    const uint64_t m_request;
};

}  // namespace

CFlashMapView::CFlashMapView() : m_events(WM_FLASH_MAP) {}

bool CFlashMapView::Request(HWND notify, const MediaConverters& converters, const FlashMapRequest& request)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_pending = request;
        ++m_requested;
    }
    if (!m_thread) {
        m_events.Open(notify);
        m_builder.reset(new FlashMapBuilder(converters));
        m_quit = false;
        m_wake.Attach(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (m_wake)
            m_thread.Attach(::CreateThread(nullptr, 0, &CFlashMapView::Thread, this, 0, nullptr));
        if (!m_thread) {
            m_wake.Close();
            return false;
        }
    }
    ::SetEvent(m_wake.Get());
    return true;
}

void CFlashMapView::Cancel()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_pending.reset();
    ++m_requested;
}

void CFlashMapView::Stop()
{
    if (!m_thread)
        return;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_quit = true;
        m_pending.reset();
        ++m_requested;
    }
    ::SetEvent(m_wake.Get());
    ::WaitForSingleObject(m_thread.Get(), INFINITE);
    m_thread.Close();
    m_wake.Close();
    m_builder.reset();
}

DWORD WINAPI CFlashMapView::Thread(LPVOID param)
{
    static_cast<CFlashMapView*>(param)->Run();
    return 0;
}

void CFlashMapView::Run()
{
    for (;;) {
        ::WaitForSingleObject(m_wake.Get(), INFINITE);
        FlashMapRequest request;
        uint64_t number = 0;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_quit)
                return;
            if (!m_pending)
                continue;
            request = std::move(*m_pending);
            m_pending.reset();
            number = m_requested.load();
        }
        // Given up as soon as a newer request comes (or the end).
        const std::function<bool()> superseded = [this, number] { return m_requested.load() != number; };
        ConvertingReport report(m_events, number);
        std::shared_ptr<FlashMap> map = std::make_shared<FlashMap>();
        if (!m_builder->Build(request, superseded, &report, map.get()))
            continue;
        FlashMapEvent event;
        event.request = number;
        event.map = map;
        m_events.Post(std::move(event));
    }
}

bool CFlashMapView::Receive(WPARAM wParam, LPARAM lParam, FlashMapEvent* event)
{
    if (!m_events.Receive(wParam, lParam, event) || event->request != m_requested.load())
        return false;
    if (event->kind == FlashMapEvent::Kind::ready)
        m_current = event->map;
    return true;
}

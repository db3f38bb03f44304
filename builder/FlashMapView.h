// The builder's flash map kept up to date on a thread of its own: the
// panel hands it every change as a request, the newest request wins (one
// still being worked on is given up between files), and the map comes back
// to the window as WM_FLASH_MAP events. The converted sizes it knows stay
// with the thread's map builder, which nothing else touches.
#pragma once
#include "CHandle.h"
#include "FlashMapBuilder.h"
#include "WorkerEvents.h"
#include <windows.h>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

struct FlashMapEvent {
    enum class Kind { converting, ready };
    Kind kind = Kind::ready;
    uint64_t request = 0;     // the request it answers
    std::string source;       // converting: the file
    size_t done = 0, total = 0;
    std::shared_ptr<const FlashMap> map;  // ready
};

class CFlashMapView {
public:
    CFlashMapView();
    ~CFlashMapView() { Stop(); }
    CFlashMapView(const CFlashMapView&) = delete;
    CFlashMapView& operator=(const CFlashMapView&) = delete;

    // Asks for the map of request; the thread starts with the first one.
    // Events go to notify as WM_FLASH_MAP.
    bool Request(HWND notify, const MediaConverters& converters, const FlashMapRequest& request);
    // Gives up the request in hand and any waiting; the map is no longer
    // up to date.
    void Cancel();
    // Ends the thread and waits for it; call before the converters go.
    void Stop();

    // For the window's WM_FLASH_MAP: the event, when it answers the newest
    // request (older ones are dropped).
    bool Receive(WPARAM wParam, LPARAM lParam, FlashMapEvent* event);

    // The newest map received; null before the first.
    const FlashMap* Current() const { return m_current.get(); }

private:
    static DWORD WINAPI Thread(LPVOID param);
    void Run();

    CWorkerEvents<FlashMapEvent> m_events;
    CHandle m_thread;
    CHandle m_wake;                        // auto-reset: a request waits, or the thread is to end
    std::mutex m_lock;                     // guards m_pending and m_quit
    std::optional<FlashMapRequest> m_pending;
    bool m_quit = false;
    std::atomic<uint64_t> m_requested{ 0 };  // the newest request's number
    std::unique_ptr<FlashMapBuilder> m_builder;  // the thread's alone once it runs
    std::shared_ptr<const FlashMap> m_current;
};

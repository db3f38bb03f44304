// How a worker thread hands typed events to a window's thread. The window's
// side owns the channel and names the private message that says an event is
// there, whose parameters only say which event it is.
//
// Post queues the event and posts one message for it, so each event keeps
// its place among the other messages the worker posts to the window. Send
// hands the event over at once, ahead of whatever is still queued, and waits
// until the window's thread has handled it (that thread must keep serving
// messages while it waits for the worker). The window's handler for the
// message takes the event with Receive.
//
// Events still queued when the channel is opened again or goes are freed
// with it; a message that outlived its event (or its window) carries
// nothing.
#pragma once
#include <windows.h>
#include <deque>
#include <mutex>
#include <utility>

template <typename Event>
class CWorkerEvents {
public:
    explicit CWorkerEvents(UINT message) : m_message(message) {}
    CWorkerEvents(const CWorkerEvents&) = delete;
    CWorkerEvents& operator=(const CWorkerEvents&) = delete;

    // On the window's thread, before the worker starts: the events go to
    // this window from now on; those left from before are dropped.
    void Open(HWND window)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_window = window;
        m_queue.clear();
    }

    // On the worker's thread. False when the message could not be posted
    // (the event is dropped then).
    bool Post(Event event)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (++m_posted == kSent)
            ++m_posted;
        const WPARAM number = m_posted;
        m_queue.emplace_back(number, std::move(event));
        if (::PostMessageW(m_window, m_message, number, 0))
            return true;
        m_queue.pop_back();
        return false;
    }

    // On the worker's thread: returns once the window's thread has handled
    // the event (at once when the window has gone).
    void Send(const Event& event)
    {
        HWND window;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            window = m_window;
        }
        ::SendMessageW(window, m_message, kSent, reinterpret_cast<LPARAM>(&event));
    }

    // On the window's thread, for the channel's message: the event it
    // carries. False when it carries none.
    bool Receive(WPARAM wParam, LPARAM lParam, Event* event)
    {
        if (wParam == kSent) {
            *event = *reinterpret_cast<const Event*>(lParam);
            return true;
        }
        std::lock_guard<std::mutex> lock(m_lock);
        // Events are queued in the order of their numbers; any before this
        // one lost their message.
        while (!m_queue.empty() && m_queue.front().first < wParam)
            m_queue.pop_front();
        if (m_queue.empty() || m_queue.front().first != wParam)
            return false;
        *event = std::move(m_queue.front().second);
        m_queue.pop_front();
        return true;
    }

private:
    // The first parameter of a sent event's message; posted events are
    // numbered from 1.
    static constexpr WPARAM kSent = 0;

    const UINT m_message;
    std::mutex m_lock;
    HWND m_window = nullptr;
    WPARAM m_posted = 0;
    std::deque<std::pair<WPARAM, Event>> m_queue;
};

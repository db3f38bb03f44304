// One board's flash session on a thread of its own. The runner owns the
// thread and the session's stop, and uses the device it is given only while
// the thread runs; its owner hears of the run through the session's report,
// on the worker thread, and reads the result once the thread has been waited
// for. A runner that goes while its run still goes calls the run off and
// waits for its thread.
#pragma once
#include "CHandle.h"
#include "FlashSession.h"
#include <memory>

class FlashRunner {
public:
    // How the owner waits for the thread (for example serving its window's
    // messages meanwhile); by default a plain wait.
    using WaitFunction = void (*)(HANDLE thread);

    explicit FlashRunner(WaitFunction wait = nullptr) : m_wait(wait) {}
    ~FlashRunner();
    FlashRunner(const FlashRunner&) = delete;
    FlashRunner& operator=(const FlashRunner&) = delete;

    // Starts the session; false when no thread could be started (nothing ran).
    // One run at a time: false too while a run has not been waited for.
    bool Start(FlashDevice& device, const FlashSessionJob& session, FlashSessionReport& report);
    // The run stops at its next check (see FlashStop).
    void Cancel();
    // A run was started and has not yet been waited for.
    bool IsActive() const { return static_cast<bool>(m_thread); }
    // Waits for the thread to end and releases it, once: a wait entered
    // again while the first one serves messages returns at once, and the
    // first one closes the thread's handle when the thread has ended.
    void Wait();

    // How the last run ended; read after Wait.
    const FlashBoardResult& Result() const { return m_result; }

private:
    static DWORD WINAPI ThreadMain(LPVOID param);

    WaitFunction m_wait;
    CHandle m_thread;
    bool m_waiting = false;
    std::unique_ptr<FlashStop> m_stop;
    FlashDevice* m_device = nullptr;
    FlashSessionJob m_session;
    FlashSessionReport* m_report = nullptr;
    FlashBoardResult m_result;
};

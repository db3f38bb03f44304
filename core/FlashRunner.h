// One flash run on a thread of its own. The runner owns the thread and the
// cancel flag, and uses the binding it is given only while the thread runs;
// its owner hears of the run through a Client, on the worker thread, and
// reads the outcome once the thread has been waited for. A runner that goes
// while its run still goes calls the run off and waits for its thread.
#pragma once
#include "CHandle.h"
#include "FlashSequence.h"
#include <atomic>
#include <cstdint>

class FlashRunner {
public:
    // The owner's side. The FlashReport calls come as the run goes; Finished
    // is the worker's last act, after the device is closed, with how the run
    // ended and how long it took.
    class Client : public FlashReport {
    public:
        virtual void Finished(const FlashOutcome& outcome, uint32_t milliseconds) {}

    protected:
        ~Client() = default;
    };
    // How the owner waits for the thread (for example serving its window's
    // messages meanwhile); by default a plain wait.
    using WaitFunction = void (*)(HANDLE thread);

    explicit FlashRunner(WaitFunction wait = nullptr) : m_wait(wait) {}
    ~FlashRunner();
    FlashRunner(const FlashRunner&) = delete;
    FlashRunner& operator=(const FlashRunner&) = delete;

    // Starts the run; false when no thread could be started (nothing ran).
    // One run at a time: false too while a run has not been waited for.
    bool Start(C_USBCmd& usb, const FlashJob& job, const FlashPolicy& policy, Client& client);
    // The run stops at its next check.
    void Cancel() { m_cancel = true; }
    // A run was started and has not yet been waited for.
    bool IsActive() const { return static_cast<bool>(m_thread); }
    // Waits for the thread to end and releases it.
    void Wait();

    // How the last run ended; read after Wait.
    const FlashOutcome& Outcome() const { return m_outcome; }

private:
    class Report;
    static DWORD WINAPI ThreadMain(LPVOID param);

    WaitFunction m_wait;
    CHandle m_thread;
    std::atomic<bool> m_cancel{ false };
    C_USBCmd* m_usb = nullptr;
    FlashJob m_job;
    FlashPolicy m_policy = kWriterPolicy;
    Client* m_client = nullptr;
    FlashOutcome m_outcome;
    uint32_t m_milliseconds = 0;
};

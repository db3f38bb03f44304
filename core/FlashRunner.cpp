#include "FlashRunner.h"

// The client's report, with the runner's cancel flag added to its own.
class FlashRunner::Report : public FlashReport {
public:
    Report(Client& client, const std::atomic<bool>& cancel) : m_client(client), m_cancel(cancel) {}

    void Stage(FlashStage stage) override { m_client.Stage(stage); }
    void Progress(uint32_t done, uint32_t total) override { m_client.Progress(done, total); }
    void EraseStarted() override { m_client.EraseStarted(); }
    void EraseEnded(bool erased) override { m_client.EraseEnded(erased); }
    void Failure(FlashFailure failure, uint32_t address) override { m_client.Failure(failure, address); }
    bool Cancelled() override { return m_cancel || m_client.Cancelled(); }

private:
    Client& m_client;
    const std::atomic<bool>& m_cancel;
};

FlashRunner::~FlashRunner()
{
    if (m_thread) {
        Cancel();
        Wait();
    }
}

bool FlashRunner::Start(C_USBCmd& usb, const FlashJob& job, const FlashPolicy& policy, Client& client)
{
    if (m_thread)
        return false;
    m_usb = &usb;
    m_job = job;
    m_policy = policy;
    m_client = &client;
    m_outcome = FlashOutcome();
    m_milliseconds = 0;
    m_cancel = false;
    m_thread.Attach(::CreateThread(nullptr, 0, &FlashRunner::ThreadMain, this, 0, nullptr));
    return static_cast<bool>(m_thread);
}

void FlashRunner::Wait()
{
    if (!m_thread)
        return;
    if (m_wait)
        m_wait(m_thread.Get());
    else
        ::WaitForSingleObject(m_thread.Get(), INFINITE);
    m_thread.Close();
}

DWORD WINAPI FlashRunner::ThreadMain(LPVOID param)
{
    auto* runner = static_cast<FlashRunner*>(param);
    const DWORD started = ::GetTickCount();
    Report report(*runner->m_client, runner->m_cancel);
    RunFlashSequence(*runner->m_usb, runner->m_job, runner->m_policy, report, &runner->m_outcome);
    runner->m_milliseconds = ::GetTickCount() - started;
    runner->m_client->Finished(runner->m_outcome, runner->m_milliseconds);
    return 0;
}

#include "FlashRunner.h"

FlashRunner::~FlashRunner()
{
    if (m_thread) {
        Cancel();
        Wait();
    }
}

bool FlashRunner::Start(FlashDevice& device, const FlashSessionJob& session, FlashSessionReport& report)
{
    if (m_thread)
        return false;
    m_device = &device;
    m_session = session;
    m_report = &report;
    m_result = FlashBoardResult();
    m_stop.reset(new FlashStop(1));
    m_thread.Attach(::CreateThread(nullptr, 0, &FlashRunner::ThreadMain, this, 0, nullptr));
    return static_cast<bool>(m_thread);
}

void FlashRunner::Cancel()
{
    if (m_stop)
        m_stop->Request();
}

void FlashRunner::Wait()
{
    if (!m_thread || m_waiting)
        return;
    m_waiting = true;
    if (m_wait)
        m_wait(m_thread.Get());
    else
        ::WaitForSingleObject(m_thread.Get(), INFINITE);
    m_thread.Close();
    m_waiting = false;
}

DWORD WINAPI FlashRunner::ThreadMain(LPVOID param)
{
    auto* runner = static_cast<FlashRunner*>(param);
    runner->m_result = RunFlashBoard(*runner->m_device, runner->m_session, *runner->m_stop, *runner->m_report);
    return 0;
}

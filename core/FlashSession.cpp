#include "FlashSession.h"
#include "CFile.h"
#include "RunClock.h"
#include "Capacities.h"
#include "FlashTypes.h"

bool FlashStop::Due()
{
    if (m_requested)
        return false;
    std::lock_guard<std::mutex> lock(m_lock);
    return m_boards == 0 || m_claimed < m_boards;
}

bool FlashStop::Claim()
{
    if (m_requested)
        return false;
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_boards != 0 && m_claimed >= m_boards)
        return false;
    ++m_claimed;
    return true;
}

namespace {

// The session's view of the device: the run starts when the device first
// opens (the board claims its place then), and its time runs from the start
// of that open to the end of the close.
class SessionDevice : public FlashDeviceFilter {
public:
    SessionDevice(FlashDevice& device, FlashStop& stop) : FlashDeviceFilter(device), m_stop(stop) {}

    int Open(int deviceNumber) override
    {
        RunClock clock;
        const int handle = FlashDeviceFilter::Open(deviceNumber);
        if (handle >= 0 && !m_opened) {
            m_opened = true;
            m_claimed = m_stop.Claim();
            m_clock = clock;
        }
        return handle;
    }
    void Close(int handle) override
    {
        FlashDeviceFilter::Close(handle);
        if (m_opened)
            m_milliseconds = m_clock.Milliseconds();
    }

    bool Opened() const { return m_opened; }
    bool Claimed() const { return m_claimed; }
    uint64_t Milliseconds() const { return m_milliseconds; }

private:
    FlashStop& m_stop;
    bool m_opened = false, m_claimed = false;
    RunClock m_clock;
    uint64_t m_milliseconds = 0;
};

// The client's report, with the stop rule and the erase's time added.
class SessionReport : public FlashReport {
public:
    SessionReport(FlashSessionReport& client, FlashStop& stop, const SessionDevice& device)
        : m_client(client), m_stop(stop), m_device(device)
    {
    }

    void Stage(FlashStage stage) override { m_client.Stage(stage); }
    void Progress(uint32_t done, uint32_t total) override { m_client.Progress(done, total); }
    void OpenFailed(unsigned int attempt, unsigned int attempts) override { m_client.OpenFailed(attempt, attempts); }
    void EraseStarted() override
    {
        m_erase.Restart();
        m_client.EraseStarted();
    }
    void EraseEnded(bool erased) override
    {
        m_client.EraseEnded(erased);
        m_client.EraseTook(erased, m_erase.Milliseconds());
    }
    void Failure(FlashFailure failure, uint32_t address) override { m_client.Failure(failure, address); }
    bool Cancelled() override
    {
        if (m_stop.Requested() || m_client.Cancelled() || !m_client.DeviceFault().empty())
            return true;
        return m_device.Opened() ? !m_device.Claimed() : !m_stop.Due();
    }

private:
    FlashSessionReport& m_client;
    FlashStop& m_stop;
    const SessionDevice& m_device;
    RunClock m_erase;
};

// The flash type's name for the driver's code.
std::string FlashTypeNameOfCode(int code)
{
    for (const FlashType& type : kFlashTypes) {
        if (type.driverCode == code)
            return type.name;
    }
    return std::string();
}

}  // namespace

DownloadLogEntry FlashLogEntry(const FlashSessionJob& session, const FlashBoardResult& result)
{
    const FlashJob& job = session.job;
    DownloadLogEntry entry;
    entry.program = session.program;
    entry.operation = session.operation;
    entry.imagePath = CFile::FullPath(job.imagePath);
    SetLoggedImage(&entry, result.outcome);
    entry.capacity = job.flashBytes ? CapacityName(static_cast<int>(job.flashBytes * 8)) : std::string();
    entry.startAddress = job.startAddress;
    entry.flashType = FlashTypeNameOfCode(job.flashTypeCode);
    entry.result = result.resultText;
    entry.milliseconds = result.milliseconds;
    entry.device = job.deviceNumber;
    return entry;
}

FlashBoardResult RunFlashBoard(FlashDevice& device, const FlashSessionJob& session, FlashStop& stop,
                               FlashSessionReport& report)
{
    FlashBoardResult result;
    if (!stop.Due())
        return result;
    SessionDevice watched(device, stop);
    SessionReport watching(report, stop, watched);
    RunFlashSequence(watched, session.job, session.policy, watching, &result.outcome);

    const std::string fault = report.DeviceFault();
    // A board called off before its device opened never started; one that
    // opened while no more boards were due neither.
    if (watched.Opened())
        result.started = watched.Claimed();
    else
        result.started = !fault.empty() || result.outcome.failure != FlashFailure::cancelled;
    result.resultText = fault.empty() ? FlashOutcomeText(result.outcome) : fault;
    result.milliseconds = watched.Milliseconds();
    report.Ended(result);
    if (result.started && !session.logPath.empty())
        AppendDownloadLog(session.logPath, FlashLogEntry(session, result), &result.logError);
    report.Finished(result);
    return result;
}

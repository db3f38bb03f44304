#include "DownloadRun.h"
#include "Capacities.h"
#include "Texts.h"
#include "resource.h"

CDownloadPanel::Run::Run(HWND window, HWND capacityList, CWorkerEvents<RunEvent>& events)
    : m_window(window), m_capacityList(capacityList), m_events(events), m_capacityIndex(CapacityIndexOf(capacityList))
{
}

int CDownloadPanel::Run::CapacityIndexOf(HWND capacityList)
{
    const int index = static_cast<int>(::SendMessageW(capacityList, CB_GETCURSEL, 0, 0));
    return index >= 0 && index < kCapacityCount ? index : kDefaultCapacityIndex;
}

void CDownloadPanel::Run::Stage(FlashStage stage)
{
    // Once the device is ready, the status lines name the capacity chosen
    // by then.
    if (stage == FlashStage::deviceReady)
        m_capacityIndex = CapacityIndexOf(m_capacityList);
    if (stage == FlashStage::openingDevice)
        return;
    RunEvent event = Event(RunEvent::Kind::stage);
    event.stage = stage;
    event.capacityIndex = m_capacityIndex;
    m_events.Send(event);
}

void CDownloadPanel::Run::Progress(uint32_t done, uint32_t total)
{
    m_size = total;
    PostProgress(done, total);
}

// The erase reports nothing until it ends: a timer of the window's own
// thread moves the bar meanwhile.
void CDownloadPanel::Run::EraseStarted()
{
    m_events.Post(Event(RunEvent::Kind::eraseStarted));
}

void CDownloadPanel::Run::EraseEnded(bool)
{
    m_events.Post(Event(RunEvent::Kind::eraseEnded));
    PostProgress(100, 100);
    ::Sleep(100);
    PostProgress(0, m_size);
}

void CDownloadPanel::Run::Failure(FlashFailure failure, uint32_t)
{
    if (failure == FlashFailure::deviceOpen)
        Error(texts::kDeviceOpenFailed);
    else if (failure == FlashFailure::flashSetup)
        Error(texts::kFlashNotFound);
}

// The result shows before the session writes the log line.
void CDownloadPanel::Run::Ended(const FlashBoardResult& result)
{
    RunEvent event = Event(RunEvent::Kind::result);
    event.ok = result.outcome.result != 0;
    m_events.Send(event);
}

// The last word of the run: posted after every progress message of it.
void CDownloadPanel::Run::Finished(const FlashBoardResult&)
{
    m_events.Post(Event(RunEvent::Kind::finished));
}

CDownloadPanel::RunEvent CDownloadPanel::Run::Event(RunEvent::Kind kind) const
{
    RunEvent event;
    event.kind = kind;
    event.size = m_size;
    return event;
}

void CDownloadPanel::Run::PostProgress(uint32_t done, uint32_t total)
{
    ::PostMessageW(m_window, WM_DOWNLOAD_PROGRESS, done, static_cast<LPARAM>(total));
}

void CDownloadPanel::Run::Error(const wchar_t* text)
{
    ::MessageBoxW(m_window, text, texts::kCaptionError, MB_OK | MB_ICONERROR);
}

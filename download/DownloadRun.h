// The worker's side of a download: every stage, progress and the result go
// to the main window as values. Progress is posted; the erase and the end
// are posted as events, in their places among the progress messages; a stage
// and the result are sent as events, so that the status panel and the result
// label show them at once, ahead of the bar's messages still queued. The
// run's failures are shown at once, owned by the main window, and the run
// waits for them to be answered (the window's thread serves messages while
// it waits for the run). Once the result is shown the worker writes the
// run's log line, then posts its end.
#pragma once
#include "DownloadPanel.h"

class CDownloadPanel::Run : public FlashSessionReport {
public:
    // window: the main window; capacityList: the list the run reads its
    // capacity from; events: the panel's channel for the run's events.
    Run(HWND window, HWND capacityList, CWorkerEvents<RunEvent>& events);

    // The capacity list's position as a run reads it: the default when none
    // is selected.
    static int CapacityIndexOf(HWND capacityList);

    void Stage(FlashStage stage) override;
    void Progress(uint32_t done, uint32_t total) override;
    void EraseStarted() override;
    void EraseEnded(bool erased) override;
    void Failure(FlashFailure failure, uint32_t address) override;
    void Ended(const FlashBoardResult& result) override;
    void Finished(const FlashBoardResult& result) override;

private:
    RunEvent Event(RunEvent::Kind kind) const;
    void PostProgress(uint32_t done, uint32_t total);
    void Error(const wchar_t* text);

    HWND m_window;
    HWND m_capacityList;
    CWorkerEvents<RunEvent>& m_events;
    int m_capacityIndex;
    uint32_t m_size = 0;
};

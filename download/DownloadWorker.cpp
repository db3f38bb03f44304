// The download worker: runs the download on its own thread and turns what it
// reports into the status panel's lines, the result label, the erase timer
// and posted progress messages. Its window-side handlers follow.
#include "TessalineDlg.h"
#include "DownloadLog.h"
#include "DownloadMath.h"
#include "DownloadSequence.h"
#include "StatusLine.h"
#include "Texts.h"

class CTessalineDlg::DownloadReport : public FlashReport {
public:
    explicit DownloadReport(CTessalineDlg& window)
        : m_window(window), m_capacityBits(CapacityBits(window.WorkerCapacityIndex()))
    {
    }

    void Stage(FlashStage stage) override
    {
        switch (stage) {
        case FlashStage::deviceReady:
            m_capacityBits = CapacityBits(m_window.WorkerCapacityIndex());
            Status(texts::kPrefixWideConnected, texts::kSuffixReady);
            break;
        case FlashStage::erasing:
            Status(texts::kPrefixConnected, texts::kSuffixErasing);
            break;
        case FlashStage::programming:
            Status(texts::kPrefixConnected, texts::kSuffixDownloading);
            break;
        case FlashStage::openingDevice:
            break;
        }
    }

    void Progress(uint32_t done, uint32_t total) override
    {
        m_size = total;
        Post(done, total);
    }

    void EraseStarted() override
    {
        // The erase reports nothing until it ends: a timer of the window's
        // own thread moves the bar meanwhile.
        unsigned int interval = EraseTimerInterval(m_window.WorkerCapacityIndex());
        if (interval)
            m_window.PostMessage(WM_DOWNLOAD_ERASE_TIMER, interval);
    }

    void EraseEnded(bool) override
    {
        m_window.PostMessage(WM_DOWNLOAD_ERASE_TIMER, 0);
        Post(100, 100);
        ::Sleep(100);
        Post(0, m_size);
    }

    void Failure(FlashFailure failure, uint32_t) override
    {
        if (failure == FlashFailure::deviceOpen)
            Error(texts::kDeviceOpenFailed);
        else if (failure == FlashFailure::flashSetup)
            Error(texts::kFlashNotFound);
    }

    // The final status line and result label.
    void Ended(int result)
    {
        m_window.m_result.SetWindowText(result ? texts::kDownloadOk : texts::kDownloadFail);
        Status(texts::kPrefixConnected, result ? texts::kSuffixDone : texts::kSuffixFailed);
    }

    int CapacityBitsShown() const { return m_capacityBits; }

private:
    void Status(const wchar_t* prefix, const wchar_t* suffix)
    {
        m_window.m_status.SetWindowText(
            StatusLine(prefix, m_capacityBits, texts::kMiddle, static_cast<int>(m_size), suffix).c_str());
    }
    void Post(uint32_t done, uint32_t total)
    {
        m_window.PostMessage(WM_DOWNLOAD_PROGRESS, done, static_cast<LPARAM>(total));
    }
    void Error(const wchar_t* text) { ::MessageBoxW(m_window.m_hWnd, text, texts::kCaptionError, MB_OK | MB_ICONERROR); }

    CTessalineDlg& m_window;
    int m_capacityBits;
    uint32_t m_size = 0;
};

DWORD WINAPI CTessalineDlg::DownloadThread(LPVOID param)
{
    auto* dialog = static_cast<CTessalineDlg*>(param);
    dialog->DownloadWorker(dialog->m_imagePath);
    // The last word of the run: the window releases the thread and resets the bar.
    dialog->PostMessage(WM_DOWNLOAD_FINISHED);
    return 0;
}

int CTessalineDlg::WorkerCapacityIndex() const
{
    int index = m_capacity.GetCurSel();
    return index >= 0 && index < kCapacityCount ? index : kDefaultCapacityIndex;
}

int CTessalineDlg::DownloadWorker(const std::wstring& imagePath)
{
    const DWORD started = ::GetTickCount();
    FlashJob job;
    job.imagePath = imagePath;
    job.startAddress = m_startAddress;
    job.flashBytes = static_cast<uint32_t>(CapacityBits(WorkerCapacityIndex())) / 8u;
    job.flashTypeCode = kSpiFlashTypeCode;
    job.openAttempts = kOpenAttempts;
    job.openRetryMs = kOpenRetryMs;

    DownloadReport report(*this);
    FlashOutcome outcome;
    const int result = RunDownloadSequence(m_usb, job, report, &outcome);
    report.Ended(result);

    // After the result is shown; a log that can't be written is not the user's concern here.
    DownloadLogEntry entry;
    entry.program = "Tessaline";
    entry.operation = "download";
    entry.imagePath = imagePath;
    SetLoggedImage(&entry, outcome);
    entry.capacity = CapacityName(report.CapacityBitsShown());
    entry.startAddress = m_startAddress;
    entry.flashType = "SPI";
    entry.result = FlashOutcomeText(outcome);
    entry.milliseconds = ::GetTickCount() - started;
    AppendDownloadLog(DefaultDownloadLogPath(), entry, nullptr);
    return result;
}

void CTessalineDlg::OnDownloadProgress(WPARAM done, LPARAM total)
{
    m_progress.SetPos(ProgressPosition(static_cast<uint32_t>(done), static_cast<uint32_t>(total)));
}

void CTessalineDlg::OnEraseTimer(WPARAM interval)
{
    if (interval) {
        m_eraseTicks = 0;
        SetTimer(kEraseTimerId, static_cast<UINT>(interval));
    } else {
        KillTimer(kEraseTimerId);
    }
}

void CTessalineDlg::OnEraseTick()
{
    ++m_eraseTicks;
    PostMessage(WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(m_eraseTicks), 100);
}

void CTessalineDlg::OnDownloadFinished()
{
    if (m_hWorker) {
        ::WaitForSingleObject(m_hWorker, INFINITE);
        ::CloseHandle(m_hWorker);
        m_hWorker = nullptr;
    }
    // Posted after every progress message of the run, so it lands last.
    m_progress.SetPos(0);
    if (m_closePending) {
        m_closePending = false;
        CDialog::OnCancel();
    }
}

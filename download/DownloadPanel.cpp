#include "DownloadPanel.h"
#include "CDialog.h"
#include "Capacities.h"
#include "CFile.h"
#include "CFileDialog.h"
#include "DownloadLog.h"
#include "DownloadMath.h"
#include "DownloadRun.h"
#include "MessageWait.h"
#include "StatusLine.h"
#include "Texts.h"
#include "resource.h"

namespace {
const DWORD kFileNameBufferChars = 66300;
const int kImagePathChars = 498;
}  // namespace

CDownloadPanel::CDownloadPanel(CWnd& window, CStatic& result, std::function<uint32_t()> startAddress)
    : m_window(window), m_result(result), m_startAddressSource(std::move(startAddress)),
      m_events(WM_DOWNLOAD_EVENT), m_runner(&WaitServingMessages)
{
}

CDownloadPanel::~CDownloadPanel() = default;

const CDialogPart& CDownloadPanel::Controls()
{
    static const CDialogPart controls = { IDC_CAPACITY, IDC_CONNECT, IDC_DISCONNECT, IDC_PATH, IDC_BROWSE,
                                          IDC_DOWNLOAD, IDC_STATUS, IDC_PROGRESS };
    return controls;
}

bool CDownloadPanel::NeedsDevice(int id)
{
    return id == IDC_CONNECT || id == IDC_DISCONNECT || id == IDC_DOWNLOAD;
}

bool CDownloadPanel::OnCommand(int id, int code)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_CONNECT:
        OnConnect();
        return true;
    case IDC_DISCONNECT:
        OnDisconnect();
        return true;
    case IDC_BROWSE:
        OnBrowse();
        return true;
    case IDC_DOWNLOAD:
        OnDownload(m_startAddressSource());
        return true;
    default:
        return false;
    }
}

void CDownloadPanel::Bind()
{
    BindDlgControl(m_window, IDC_PROGRESS, m_progress);
    BindDlgControl(m_window, IDC_PATH, m_path);
    BindDlgControl(m_window, IDC_STATUS, m_status);
    BindDlgControl(m_window, IDC_CAPACITY, m_capacity);
    BindDlgControl(m_window, IDC_DOWNLOAD, m_download);
    BindDlgControl(m_window, IDC_DISCONNECT, m_disconnect);
    BindDlgControl(m_window, IDC_CONNECT, m_connect);
    BindDlgControl(m_window, IDC_BROWSE, m_browse);
}

void CDownloadPanel::Initialise(const std::wstring& path)
{
    m_capacity.SetCurSel(kDefaultCapacityIndex);
    m_path.SetWindowText(path.c_str());
}

int CDownloadPanel::CapacityIndex()
{
    int index = m_capacity.GetCurSel();
    if (index < 0 || index >= kCapacityCount) {
        index = kDefaultCapacityIndex;
        m_capacity.SetCurSel(index);
    }
    return index;
}

int CDownloadPanel::RunCapacityIndex() const
{
    return Run::CapacityIndexOf(m_capacity.m_hWnd);
}

void CDownloadPanel::OnConnect()
{
    int bits = CapacityBits(CapacityIndex());
    int handle = m_usb.Open(0);
    if (handle < 0) {
        m_window.MessageBox(texts::kConnectFailed, texts::kCaptionDownload, MB_OK);
        return;
    }
    m_window.MessageBox(texts::kConnected, texts::kCaptionDownload, MB_OK);
    m_usb.Close(handle);
    m_download.EnableWindow(TRUE);
    m_status.SetWindowText(StatusLine(texts::kPrefixConnected, bits, texts::kMiddle, 0,
                                      texts::kSuffixConnected).c_str());
}

void CDownloadPanel::OnDisconnect()
{
    m_usb.Close(1);
    m_window.MessageBox(texts::kDisconnected, texts::kCaptionDownload, MB_OK);
    m_download.EnableWindow(FALSE);
    m_status.SetWindowText(StatusLine(texts::kPrefixDisconnected, 0, texts::kMiddle, 0,
                                      texts::kSuffixDisconnected).c_str());
}

void CDownloadPanel::OnBrowse()
{
    CFileDialog dialog(TRUE, "*.*", nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, texts::kBinFilter, &m_window,
                       kFileNameBufferChars);
    if (dialog.DoModal() != IDOK)
        return;
    m_path.SetWindowText(dialog.GetPathName().c_str());

    CFile file;
    if (!file.Open(m_path.GetWindowTextW().c_str(), CFile::modeRead | CFile::shareDenyNone))
        m_window.MessageBox(texts::kFileOpenFail, texts::kCaptionDownload, MB_OK);
}

void CDownloadPanel::OnDropFile(const std::wstring& path)
{
    if (!IsRunning())
        m_path.SetWindowText(path.c_str());
}

void CDownloadPanel::OnDownload(uint32_t startAddress)
{
    // Read as UTF-16, so that any file name opens whatever the ANSI code page.
    std::wstring path = m_path.GetWindowTextW();
    if (path.empty()) {
        m_window.MessageBox(texts::kChooseBinFile, texts::kCaptionDownload, MB_OK);
        return;
    }
    {
        CFile file;
        if (!file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone)) {
            m_window.MessageBox(texts::kBinFileNotFound, texts::kCaptionDownload, MB_OK);
            return;
        }
        // The image goes to the audio start address, which a Write may have
        // left above 0: it must fit the capacity and end within the flash.
        const uint64_t length = file.GetLength();
        const int bits = CapacityBits(CapacityIndex());
        FlashJob job;
        job.startAddress = startAddress;
        job.flashBytes = static_cast<uint32_t>(bits) / 8u;
        const FlashRange range = CheckFlashJob(job, length, kDownloadPolicy);
        if (range == FlashRange::largerThanFlash) {
            m_window.MessageBox(texts::kBinFileTooBig, texts::kCaptionDownload, MB_OK);
            return;
        }
        if (range != FlashRange::fits) {
            m_window.MessageBox(
                RefusalSentence(FlashRangeText(range, startAddress, length, job.flashBytes, CapacityName(bits)))
                    .c_str(),
                texts::kCaptionDownload, MB_OK);
            return;
        }
    }

    // The run opens the very path that was checked: one it can't hold is
    // refused rather than cut.
    if (path.size() > static_cast<size_t>(kImagePathChars)) {
        m_window.MessageBox(texts::kBinPathTooLong, texts::kCaptionDownload, MB_OK);
        return;
    }
    m_result.SetWindowText(texts::kWritingImage);
    if (!SetupDownload(path, startAddress, m_window.m_hWnd))
        return;
    StartDownload();
}

int CDownloadPanel::SetupDownload(const std::wstring& path, unsigned int startAddress, HWND owner)
{
    m_imagePath = path;
    m_startAddress = startAddress;
    m_hOwner = owner;
    if (m_usb.LoadDriver() != 1) {
        ::MessageBoxW(m_hOwner, texts::kUsbInitializeFail, texts::kCaptionError, MB_OK | MB_ICONERROR);
        return 0;
    }
    return 1;
}

int CDownloadPanel::StartDownload()
{
    m_progress.SetRange32(0, 100);
    m_runCapacityBits = CapacityBits(RunCapacityIndex());
    FlashSessionJob session;
    session.job.imagePath = m_imagePath;
    session.job.startAddress = m_startAddress;
    session.job.flashBytes = static_cast<uint32_t>(m_runCapacityBits) / 8u;
    session.job.flashTypeCode = kSpiFlashTypeCode;
    session.policy = kDownloadPolicy;
    session.program = "Tessaline";
    session.operation = "download";
    session.logPath = DefaultDownloadLogPath();
    m_events.Open(m_window.m_hWnd);
    m_run.reset(new Run(m_window.m_hWnd, m_capacity.m_hWnd, m_events));
    if (!m_runner.Start(m_usb, session, *m_run))
        m_result.SetWindowText(texts::kDownloadFail);
    return 1;
}

bool CDownloadPanel::OnRunMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_DOWNLOAD_PROGRESS: {
        // A block's message that leaves the bar where it is costs no redraw,
        // so that the run's end is not kept waiting behind them.
        const int position = ProgressPosition(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
        if (position != m_progress.GetPos())
            m_progress.SetPos(position);
        return true;
    }
    case WM_DOWNLOAD_EVENT: {
        RunEvent event;
        if (m_events.Receive(wParam, lParam, &event))
            OnRunEvent(event);
        return true;
    }
    case WM_TIMER:
        if (wParam != kEraseTimerId)
            return false;
        OnEraseTick();
        return true;
    default:
        return false;
    }
}

void CDownloadPanel::OnRunEvent(const RunEvent& event)
{
    switch (event.kind) {
    case RunEvent::Kind::stage:
        OnStage(event.stage, event.capacityIndex, event.size);
        break;
    case RunEvent::Kind::result:
        OnResult(event.ok, event.size);
        break;
    case RunEvent::Kind::eraseStarted:
        StartEraseTimer();
        break;
    case RunEvent::Kind::eraseEnded:
        m_window.KillTimer(kEraseTimerId);
        break;
    case RunEvent::Kind::finished:
        OnFinished();
        break;
    }
}

void CDownloadPanel::ShowStatus(const wchar_t* prefix, const wchar_t* suffix, uint32_t size)
{
    m_status.SetWindowText(
        StatusLine(prefix, m_runCapacityBits, texts::kMiddle, static_cast<int>(size), suffix).c_str());
}

void CDownloadPanel::OnStage(FlashStage stage, int capacityIndex, uint32_t size)
{
    switch (stage) {
    case FlashStage::deviceReady:
        m_runCapacityBits = CapacityBits(capacityIndex);
        ShowStatus(texts::kPrefixWideConnected, texts::kSuffixReady, size);
        break;
    case FlashStage::erasing:
        ShowStatus(texts::kPrefixConnected, texts::kSuffixErasing, size);
        break;
    case FlashStage::programming:
        ShowStatus(texts::kPrefixConnected, texts::kSuffixDownloading, size);
        break;
    case FlashStage::openingDevice:
        break;
    }
}

void CDownloadPanel::StartEraseTimer()
{
    const unsigned int interval = EraseTimerInterval(RunCapacityIndex());
    if (interval) {
        m_eraseTicks = 0;
        m_window.SetTimer(kEraseTimerId, interval);
    }
}

void CDownloadPanel::OnEraseTick()
{
    ++m_eraseTicks;
    m_window.PostMessage(WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(m_eraseTicks), 100);
}

void CDownloadPanel::OnResult(bool ok, uint32_t size)
{
    m_result.SetWindowText(ok ? texts::kDownloadOk : texts::kDownloadFail);
    ShowStatus(texts::kPrefixConnected, ok ? texts::kSuffixDone : texts::kSuffixFailed, size);
}

void CDownloadPanel::OnFinished()
{
    if (!m_runner.IsActive())
        return;
    m_runner.Wait();
    // Posted after every progress message of the run, so it lands last.
    m_progress.SetPos(0);
}

void CDownloadPanel::EndRun()
{
    if (!m_runner.IsActive())
        return;
    m_runner.Cancel();
    m_runner.Wait();
}

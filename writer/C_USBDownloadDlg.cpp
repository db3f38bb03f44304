#include "C_USBDownloadDlg.h"
#include "DownloadLog.h"
#include "FlashRange.h"
#include "FlashSequence.h"
#include "FlashTypes.h"
#include "MessageWait.h"
#include "StringConv.h"
#include "Texts.h"
#include "resource.h"

// The worker's side: its stages go to the dialog as events, in their places
// among its progress messages.
class C_USBDownloadDlg::WorkerReport : public FlashSessionReport {
public:
    WorkerReport(HWND dialog, CWorkerEvents<FlashStage>& stages, int* failed)
        : m_dialog(dialog), m_stages(stages), m_failed(failed)
    {
    }

    void Stage(FlashStage stage) override { m_stages.Post(stage); }

    void Progress(uint32_t done, uint32_t total) override
    {
        ::PostMessageW(m_dialog, WM_WRITER_PROGRESS, done, static_cast<LPARAM>(total));
    }

    // The run waits until the message is answered, as the dialog's thread
    // serves messages while it waits for the run.
    void Failure(FlashFailure failure, uint32_t) override
    {
        if (failure == FlashFailure::deviceOpen)
            ShowError(texts::kDeviceOpenFailed);
        else if (failure == FlashFailure::flashSetup)
            ShowError(texts::kSetFlashInfoFailed);
        else if (failure == FlashFailure::program)
            ShowError(texts::kDeviceDownloadFail);
    }

    // The worker's last acts: the failure flag, then the OK command.
    void Finished(const FlashBoardResult& result) override
    {
        *m_failed = result.outcome.result ? 0 : 1;
        ::PostMessageW(m_dialog, WM_COMMAND, IDOK, 0);
    }

private:
    void ShowError(const wchar_t* text) { ::MessageBoxW(m_dialog, text, texts::kCaptionError, MB_OK | MB_ICONERROR); }

    HWND m_dialog;
    CWorkerEvents<FlashStage>& m_stages;
    int* m_failed;
};

C_USBDownloadDlg::C_USBDownloadDlg(CWnd* parent)
    : CDialog(IDD_WRITER_DIALOG, parent), m_logPath(DefaultDownloadLogPath()), m_stages(WM_WRITER_EVENT),
      m_runner(&WaitServingMessages)
{
}

C_USBDownloadDlg::~C_USBDownloadDlg() = default;

int C_USBDownloadDlg::PrepareWrite(int flashTypeIndex, const char* path, unsigned int startAddress, HWND owner)
{
    return PrepareWrite(flashTypeIndex, WideFromAnsi(path ? path : "").c_str(), startAddress, owner);
}

int C_USBDownloadDlg::PrepareWrite(int flashTypeIndex, const wchar_t* path, unsigned int startAddress, HWND owner)
{
    m_nFlashType = flashTypeIndex;
    m_strPath = path ? path : L"";
    m_nStartAddress = startAddress;
    m_hOwner = owner;
    if (m_usb.LoadDriver() == 1)
        return 1;
    ::MessageBoxW(m_hOwner, texts::kUsbInitializeFail, texts::kCaptionError, MB_OK | MB_ICONERROR);
    return 0;
}

void C_USBDownloadDlg::DoDataExchange()
{
    CDialog::DoDataExchange();
    DDX_Control(IDC_WRITER_TRANSFERRED, m_transferred);
    DDX_Control(IDC_WRITER_TOTAL, m_total);
    DDX_Control(IDC_WRITER_REMAIN, m_remain);
    DDX_Control(IDC_WRITER_FILENAME, m_fileName);
    DDX_Control(IDC_WRITER_PROGRESS, m_progress);
}

BOOL C_USBDownloadDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_progress.SetRange(0, 100);
    m_progress.SetTextVisible(TRUE);
    m_strStatus = FileNameOf(m_strPath);

    m_nFailed = 1;
    m_bClosing = false;
    // Without a file, or when nothing can write it, the dialog ends as a failed write.
    if (m_strPath.empty() || !DownloadFile(m_strPath))
        PostMessage(WM_COMMAND, IDOK, 0);
    return TRUE;
}

bool C_USBDownloadDlg::DownloadFile(const std::wstring& path)
{
    FlashSessionJob session;
    session.job.imagePath = path;
    session.job.startAddress = m_nStartAddress;
    session.job.flashTypeCode = FlashTypeCode(m_nFlashType);
    session.policy = kWriterPolicy;
    session.program = "Tessaline";
    session.operation = "write";
    session.logPath = m_logPath;
    m_stages.Open(m_hWnd);
    m_report.reset(new WorkerReport(m_hWnd, m_stages, &m_nFailed));
    if (!m_runner.Start(m_usb, session, *m_report))
        return false;
    SetWindowText(texts::kWriterTitle);
    return true;
}

BOOL C_USBDownloadDlg::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_WRITER_EVENT: {
        FlashStage stage;
        if (m_stages.Receive(wParam, lParam, &stage))
            OnWriterStage(stage);
        *result = 0;
        return TRUE;
    }
    case WM_WRITER_PROGRESS:
        OnWriterProgress(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
        *result = 0;
        return TRUE;
    default:
        return CDialog::OnWndMsg(msg, wParam, lParam, result);
    }
}

void C_USBDownloadDlg::OnWriterStage(FlashStage stage)
{
    const std::wstring name = FileNameOf(m_strPath);
    if (stage == FlashStage::openingDevice)
        m_strStatus = FormatWithText(WideFromAnsi(texts::kWaitDownloadFormat), name);
    else if (stage == FlashStage::erasing)
        m_strStatus = WideFromAnsi(texts::kWaitErase);
    else if (stage == FlashStage::programming)
        m_strStatus = name;
}

void C_USBDownloadDlg::OnWriterProgress(uint32_t transferred, uint32_t total)
{
    m_fileName.SetWindowText(m_strStatus.c_str());
    m_total.SetWindowText(DecimalText(total).c_str());
    m_transferred.SetWindowText(DecimalText(transferred).c_str());
    m_remain.SetWindowText(DecimalText(WriterRemain(transferred, total)).c_str());
    m_progress.SetPos(WriterPercent(transferred, total));
}

BOOL C_USBDownloadDlg::DestroyWindow()
{
    // A modal run cut short without OK or Cancel (a quit request): the run is
    // called off and waited for before the window it reports to goes.
    if (m_runner.IsActive()) {
        m_runner.Cancel();
        WaitForWorker();
    }
    return CDialog::DestroyWindow();
}

void C_USBDownloadDlg::OnOK()
{
    if (m_bClosing)
        return;
    m_bClosing = true;
    WaitForWorker();
    CDialog::OnOK();
}

void C_USBDownloadDlg::OnCancel()
{
    // The worker's OK that arrives while Cancel waits for it finds m_bClosing
    // set and changes nothing; the dialog ends with IDCANCEL.
    if (m_bClosing)
        return;
    m_bClosing = true;
    m_runner.Cancel();
    WaitForWorker();
    CDialog::OnCancel();
}

void C_USBDownloadDlg::WaitForWorker()
{
    m_runner.Wait();
}

#include "C_USBDownloadDlg.h"
#include "WriterPlan.h"
#include "FlashSequence.h"
#include "StringConv.h"
#include "Texts.h"
#include "resource.h"

class C_USBDownloadDlg::WorkerReport : public FlashReport {
public:
    WorkerReport(C_USBDownloadDlg& dialog, const std::wstring& name) : m_dialog(dialog), m_name(name) {}

    void Stage(FlashStage stage) override
    {
        if (stage == FlashStage::openingDevice)
            m_dialog.SetStatusText(FormatWithText(WideFromAnsi(texts::kWaitDownloadFormat), m_name));
        else if (stage == FlashStage::erasing)
            m_dialog.SetStatusText(WideFromAnsi(texts::kWaitErase));
        else if (stage == FlashStage::programming)
            m_dialog.SetStatusText(m_name);
    }

    void Progress(uint32_t done, uint32_t total) override { m_dialog.PostProgress(done, total); }

    void Failure(FlashFailure failure, uint32_t) override
    {
        if (failure == FlashFailure::deviceOpen)
            m_dialog.ShowError(texts::kDeviceOpenFailed);
        else if (failure == FlashFailure::flashSetup)
            m_dialog.ShowError(texts::kSetFlashInfoFailed);
        else if (failure == FlashFailure::program)
            m_dialog.ShowError(texts::kDeviceDownloadFail);
    }

    bool Cancelled() override { return m_dialog.m_bCancel; }

private:
    C_USBDownloadDlg& m_dialog;
    std::wstring m_name;
};

C_USBDownloadDlg::C_USBDownloadDlg(CWnd* parent)
    : CDialog(IDD_WRITER_DIALOG, parent)
{
}

C_USBDownloadDlg::~C_USBDownloadDlg()
{
    // Only when the modal run was cut short without OK or Cancel: the worker
    // must stop before the members it uses go.
    if (m_hThread) {
        m_bCancel = true;
        WaitForWorker();
    }
}

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
    SetStatusText(FileNameOf(m_strPath));

    m_nFailed = 1;
    m_bCancel = false;
    m_bClosing = false;
    m_hWndWorkerTarget = m_hWnd;
    m_hThread = ::CreateThread(nullptr, 0, &C_USBDownloadDlg::WorkerThread, this, 0, nullptr);
    if (!m_hThread) {
        // Nothing will write the file: end as a failed write.
        PostMessage(WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}

DWORD WINAPI C_USBDownloadDlg::WorkerThread(LPVOID param)
{
    auto* dialog = static_cast<C_USBDownloadDlg*>(param);
    dialog->m_nFailed = 1;
    if (!dialog->m_strPath.empty() && dialog->DownloadFile(dialog->m_strPath))
        dialog->m_nFailed = 0;
    ::PostMessageW(dialog->m_hWndWorkerTarget, WM_COMMAND, IDOK, 0);
    return 0;
}

int C_USBDownloadDlg::DownloadFile(const std::wstring& path)
{
    ::SetWindowTextW(m_hWndWorkerTarget, texts::kWriterTitle);
    FlashJob job;
    job.imagePath = path;
    job.startAddress = m_nStartAddress;
    job.flashTypeCode = FlashTypeCode(m_nFlashType);
    job.openAttempts = kWriterOpenAttempts;
    job.openRetryMs = kWriterOpenRetryMs;
    WorkerReport report(*this, FileNameOf(path));
    return RunWriteSequence(m_usb, job, report, &m_outcome);
}

BOOL C_USBDownloadDlg::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_WRITER_PROGRESS:
        OnWriterProgress(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
        *result = 0;
        return TRUE;
    default:
        return CDialog::OnWndMsg(msg, wParam, lParam, result);
    }
}

void C_USBDownloadDlg::OnWriterProgress(uint32_t transferred, uint32_t total)
{
    m_fileName.SetWindowText(GetStatusText().c_str());
    m_total.SetWindowText(DecimalText(total).c_str());
    m_transferred.SetWindowText(DecimalText(transferred).c_str());
    m_remain.SetWindowText(DecimalText(WriterRemain(transferred, total)).c_str());
    m_progress.SetPos(WriterPercent(transferred, total));
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
    if (m_hThread)
        m_bCancel = true;
    WaitForWorker();
    CDialog::OnCancel();
}

void C_USBDownloadDlg::WaitForWorker()
{
    if (!m_hThread)
        return;
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        DWORD woken = ::MsgWaitForMultipleObjects(1, &m_hThread, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0)
            break;
        if (woken != WAIT_OBJECT_0 + 1) {
            ::WaitForSingleObject(m_hThread, INFINITE);
            break;
        }
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    ::CloseHandle(m_hThread);
    m_hThread = nullptr;
    // A quit request met on the way belongs to the loop outside.
    if (quit)
        ::PostQuitMessage(static_cast<int>(quitCode));
}

void C_USBDownloadDlg::SetStatusText(const std::wstring& text)
{
    std::lock_guard<std::mutex> lock(m_statusLock);
    m_strStatus = text;
}

std::wstring C_USBDownloadDlg::GetStatusText()
{
    std::lock_guard<std::mutex> lock(m_statusLock);
    return m_strStatus;
}

void C_USBDownloadDlg::PostProgress(uint32_t transferred, uint32_t total)
{
    ::PostMessageW(m_hWndWorkerTarget, WM_WRITER_PROGRESS, transferred, static_cast<LPARAM>(total));
}

void C_USBDownloadDlg::ShowError(const wchar_t* text)
{
    ::MessageBoxW(m_hWndWorkerTarget, text, texts::kCaptionError, MB_OK | MB_ICONERROR);
}

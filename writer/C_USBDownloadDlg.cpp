#include "C_USBDownloadDlg.h"
#include "WriterPlan.h"
#include "CFile.h"
#include "Texts.h"
#include "resource.h"

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
    m_nFlashType = flashTypeIndex;
    m_strPath = path ? path : "";
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

int C_USBDownloadDlg::DownloadFile(const std::string& path)
{
    ::SetWindowTextW(m_hWndWorkerTarget, texts::kWriterTitle);

    CFile file;
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::shareExclusive))
        return 0;
    const uint64_t length = file.GetLength();
    // A block address past the end of the address space would wrap round and
    // overwrite the start of the flash.
    if (!WriteRangeFits(m_nStartAddress, length))
        return 0;
    const uint32_t total = static_cast<uint32_t>(length);
    uint32_t remaining = total;
    const std::string name = FileNameOf(path);

    SetStatusText(FormatWithText(texts::kWaitDownloadFormat, name));
    PostProgress(0, total);

    int handle = -1;
    for (unsigned int attempt = 0; attempt < kWriterOpenAttempts; ++attempt) {
        handle = m_usb.Open(0);
        if (handle >= 0 || m_bCancel)
            break;
        ::Sleep(kWriterOpenRetryMs);
    }
    int usable = handle >= 0 ? 1 : 0;
    if (!usable && !m_bCancel)
        ShowError(texts::kDeviceOpenFailed);
    // A cancel that came while the device was being opened leaves the flash
    // as it was: no erase is started for a write the user has called off.
    if (usable && m_bCancel)
        usable = 0;

    const int code = FlashTypeCode(m_nFlashType);
    if (code == 0) {
        usable = 0;
    } else if (usable) {
        if (m_usb.SetFlashInfo(handle, code, 0) == 0) {
            if (!m_bCancel)
                ShowError(texts::kSetFlashInfoFailed);
            usable = 0;
        } else {
            SetStatusText(texts::kWaitErase);
            PostProgress(0, total);
            // Returns only when the whole flash is erased.
            usable = m_usb.InitFlash(handle) == 1 ? 1 : 0;
        }
    }

    SetStatusText(name);
    PostProgress(0, total);

    unsigned char block[kWriterBlockSize];
    int programmed = 0;
    int result = 0;
    bool stopped = false;
    while (remaining > kWriterBlockSize) {
        if (usable != 1 || m_bCancel) {
            stopped = true;
            break;
        }
        if (file.Read(block, kWriterBlockSize) != kWriterBlockSize) {
            stopped = true;
            break;
        }
        usable = m_usb.Program(handle, block, static_cast<int>(kWriterBlockSize),
                               m_nStartAddress + (total - remaining), &programmed);
        if (usable == 0 || programmed != static_cast<int>(kWriterBlockSize)) {
            if (!m_bCancel)
                ShowError(texts::kDeviceDownloadFail);
            stopped = true;
            break;
        }
        remaining -= kWriterBlockSize;
        PostProgress(total - remaining, total);
    }

    // The last piece, up to a whole block; a cancel no longer stops it.
    if (!stopped && usable == 1 && file.Read(block, remaining) == remaining) {
        int last = m_usb.Program(handle, block, static_cast<int>(remaining),
                                 m_nStartAddress + (total - remaining), &programmed);
        if (last != 0 && programmed == static_cast<int>(remaining)) {
            PostProgress(total, total);
            result = last;
        } else if (!m_bCancel) {
            ShowError(texts::kDeviceDownloadFail);
        }
    }

    file.Close();
    m_usb.Close(handle);
    return result;
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

void C_USBDownloadDlg::SetStatusText(const std::string& text)
{
    std::lock_guard<std::mutex> lock(m_statusLock);
    m_strStatus = text;
}

std::string C_USBDownloadDlg::GetStatusText()
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

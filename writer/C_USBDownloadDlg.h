// The Writer dialog: writes one file into the device's flash on a worker
// thread of its own and shows how far it has got. The worker ends the dialog
// by posting the OK command; Cancel asks it to stop at its next check and
// waits for it.
#pragma once
#include "CDialog.h"
#include "CControls.h"
#include "CTextProgressCtrl.h"
#include "C_USBCmd.h"
#include "FlashReport.h"
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class C_USBDownloadDlg : public CDialog {
public:
    explicit C_USBDownloadDlg(CWnd* parent = nullptr);
    ~C_USBDownloadDlg() override;

    // Stores what to write and where, and loads the driver library. Returns
    // 1 when the device can be used; otherwise shows "USB initialize fail!!!"
    // owned by owner and returns 0, and the dialog must not be run.
    int PrepareWrite(int flashTypeIndex, const char* path, unsigned int startAddress, HWND owner);
    // The same for a path in UTF-16, which may name any file.
    int PrepareWrite(int flashTypeIndex, const wchar_t* path, unsigned int startAddress, HWND owner);

    // 1 unless the whole file was written. Read it once DoModal has returned.
    int GetFailed() const { return m_nFailed; }
    // How the worker's run ended (why it failed), once DoModal has returned.
    const FlashOutcome& GetOutcome() const { return m_outcome; }

    // Control members, bound in this order.
    CStatic m_transferred;          // 1015
    CStatic m_total;                // 1013
    CStatic m_remain;               // 1018
    CStatic m_fileName;             // 1011
    CTextProgressCtrl m_progress;   // 1021

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    // The dialog's side of the run: label text, progress messages, messages.
    class WorkerReport;

    static DWORD WINAPI WorkerThread(LPVOID param);
    // Opens the device, erases the flash and programs the file; nonzero when
    // every byte was written. Runs on the worker thread.
    int DownloadFile(const std::wstring& path);
    void OnWriterProgress(uint32_t transferred, uint32_t total);
    // Waits for the worker to end while still serving this thread's messages:
    // the worker sets this window's title and shows message boxes owned by
    // it, and both need this thread to answer.
    void WaitForWorker();

    void SetStatusText(const std::wstring& text);
    std::wstring GetStatusText();
    void PostProgress(uint32_t transferred, uint32_t total);
    void ShowError(const wchar_t* text);

    HANDLE m_hThread = nullptr;
    int m_nFailed = 1;
    std::wstring m_strStatus;       // guarded by m_statusLock
    std::mutex m_statusLock;
    std::wstring m_strPath;
    std::atomic<bool> m_bCancel{ false };
    HWND m_hOwner = nullptr;
    int m_nFlashType = 0;
    C_USBCmd m_usb;
    unsigned int m_nStartAddress = 0;
    // The window the worker talks to, fixed before it starts.
    HWND m_hWndWorkerTarget = nullptr;
    // OK or Cancel is being served: later requests change nothing.
    bool m_bClosing = false;
    FlashOutcome m_outcome;
};

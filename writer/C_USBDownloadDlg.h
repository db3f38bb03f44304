// The Writer dialog: writes one file into the device's flash through a run
// on a worker thread of its own and shows how far it has got. The worker
// ends the dialog by posting the OK command; Cancel asks it to stop at its
// next check and waits for it.
#pragma once
#include "CDialog.h"
#include "CControls.h"
#include "CTextProgressCtrl.h"
#include "C_USBCmd.h"
#include "FlashRunner.h"
#include "WorkerEvents.h"
#include <cstdint>
#include <memory>
#include <string>

class C_USBDownloadDlg : public CDialog {
public:
    explicit C_USBDownloadDlg(CWnd* parent = nullptr);
    ~C_USBDownloadDlg() override;

    BOOL DestroyWindow() override;

    // Stores what to write and where, and loads the driver library. Returns
    // 1 when the device can be used; otherwise shows "USB initialize fail!!!"
    // owned by owner and returns 0, and the dialog must not be run.
    int PrepareWrite(int flashTypeIndex, const char* path, unsigned int startAddress, HWND owner);
    // The same for a path in UTF-16, which may name any file.
    int PrepareWrite(int flashTypeIndex, const wchar_t* path, unsigned int startAddress, HWND owner);

    // The failure flag: 1 unless the whole file was written. Read it once
    // DoModal has returned.
    int GetFailureFlag() const { return m_nFailed; }

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
    // The worker's side of the run: hands its stages and posts its progress
    // to the dialog, shows its failures and posts OK at the end.
    class WorkerReport;

    // Starts the run that opens the device, erases the flash and programs
    // the file; false when it could not be started.
    bool DownloadFile(const std::wstring& path);
    void OnWriterStage(FlashStage stage);
    void OnWriterProgress(uint32_t transferred, uint32_t total);
    // Waits for the run to end, while serving this thread's messages (the
    // worker's message boxes are owned by this window).
    void WaitForWorker();

    // Written by the worker as its run ends.
    int m_nFailed = 1;
    // The label's text, as of the last stage the worker reported.
    std::wstring m_strStatus;
    std::wstring m_strPath;
    HWND m_hOwner = nullptr;
    // Where the run is logged.
    std::wstring m_logPath;
    int m_nFlashType = 0;
    C_USBCmd m_usb;
    unsigned int m_nStartAddress = 0;
    // OK or Cancel is being served: later requests change nothing.
    bool m_bClosing = false;
    // The worker's stages, on their way to the dialog.
    CWorkerEvents<FlashStage> m_stages;
    std::unique_ptr<WorkerReport> m_report;
    // Last, so that it goes first: a run still going is called off and
    // waited for before anything it uses.
    FlashRunner m_runner;
};

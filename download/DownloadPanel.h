// The download panel: capacity, Connect and Disconnect, the status panel,
// the image file's path with Browse, the download button and its progress
// bar. It owns these controls, the driver binding and the download's run;
// the main window routes the panel's commands and the run's posted messages
// to it.
#pragma once
#include "CControls.h"
#include "C_USBCmd.h"
#include "Capacities.h"
#include "DialogPart.h"
#include "FlashRunner.h"
#include "WorkerEvents.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CDownloadPanel {
public:
    // window: the main window, which holds the panel's controls, owns its
    // messages and receives the run's posted messages; result: the result
    // label under both panels; startAddress: where a download programs the
    // flash from, asked as the download button is pressed.
    CDownloadPanel(CWnd& window, CStatic& result, std::function<uint32_t()> startAddress);
    ~CDownloadPanel();
    CDownloadPanel(const CDownloadPanel&) = delete;
    CDownloadPanel& operator=(const CDownloadPanel&) = delete;

    // The panel's controls: the window measures and routes by them.
    static const CDialogPart& Controls();
    // A click on this control uses the device, which a run may have.
    static bool NeedsDevice(int id);

    // Binds the controls, in the template's order.
    void Bind();
    // The default capacity, and the path field's first text (the command line's).
    void Initialise(const std::wstring& path);

    // A command of one of the panel's controls; true when handled. The main
    // window routes a click that uses the device only while no run has it.
    bool OnCommand(int id, int code);
    // A file dropped on the window; ignored while a download runs.
    void OnDropFile(const std::wstring& path);
    // The path field shows this file (one the builder has just saved).
    void ShowPath(const std::wstring& path) { m_path.SetWindowText(path.c_str()); }
    // The capacity in bits that a download would use now (the default when
    // none is selected); selects nothing.
    int ChosenCapacityBits() const { return CapacityBits(RunCapacityIndex()); }

    // Stores what to download and loads the driver; 0 after saying why not.
    int SetupDownload(const std::wstring& path, unsigned int startAddress, HWND owner);
    // Prepares the bar and starts the run.
    int StartDownload();
    bool IsRunning() const { return m_runner.IsActive(); }
    // The run's messages (its progress and its events) and the erase timer;
    // true when msg is one of them.
    bool OnRunMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // The window is going: a run still going is called off and waited for.
    void EndRun();

private:
    // The worker's side of the run (DownloadRun.h).
    class Run;
    // What the run hands the window beside its progress messages.
    struct RunEvent {
        enum class Kind { stage, result, eraseStarted, eraseEnded, finished };
        Kind kind = Kind::finished;
        FlashStage stage = FlashStage::openingDevice;
        // A stage: the capacity list position the run uses.
        int capacityIndex = 0;
        // A stage, the result: the image size last reported.
        uint32_t size = 0;
        // The result: the run succeeded.
        bool ok = false;
    };

    void OnConnect();
    void OnDisconnect();
    void OnBrowse();
    // Checks the chosen file and downloads it from startAddress.
    void OnDownload(uint32_t startAddress);

    // The capacity list's position; selects the default first when none is.
    int CapacityIndex();
    // The position as the run reads it: the default when none is selected.
    int RunCapacityIndex() const;
    void ShowStatus(const wchar_t* prefix, const wchar_t* suffix, uint32_t size);
    void OnRunEvent(const RunEvent& event);
    void OnStage(FlashStage stage, int capacityIndex, uint32_t size);
    void OnResult(bool ok, uint32_t size);
    void StartEraseTimer();
    void OnEraseTick();
    void OnFinished();

    CWnd& m_window;
    CStatic& m_result;
    std::function<uint32_t()> m_startAddressSource;

    // Controls, bound in this order.
    CProgressCtrl m_progress;       // 1037
    CEdit m_path;                   // 1033
    CEdit m_status;                 // 1036
    CComboBox m_capacity;           // 1030
    CButton m_download;             // 1035
    CButton m_disconnect;           // 1032
    CButton m_connect;              // 1031
    CButton m_browse;               // 1034

    C_USBCmd m_usb;
    std::wstring m_imagePath;
    unsigned int m_startAddress = 0;
    HWND m_hOwner = nullptr;
    int m_eraseTicks = 0;
    // The capacity the status lines name: as the run starts, and as the run
    // read it once the device was ready.
    int m_runCapacityBits = 0;
    CWorkerEvents<RunEvent> m_events;
    std::unique_ptr<Run> m_run;
    // Last, so that it goes first: a run still going stops before what it uses.
    FlashRunner m_runner;
};

// The main window: the visible download panel and the hidden builder panel.
#pragma once
#include "CDialog.h"
#include "CControls.h"
#include "C_USBCmd.h"
#include "C_PreViewWnd.h"
#include "C_DecEdit.h"
#include "C_HexEdit.h"
#include "C_ColorStatic.h"
#include "C_CenterComboBox.h"
#include "ClipPlayer.h"
#include "PictureLookWnd.h"
#include "resource.h"
#include <string>
#include <vector>
#include <shellapi.h>

namespace Gdiplus { class Bitmap; }

class CTessalineDlg : public CDialog {
public:
    CTessalineDlg();
    ~CTessalineDlg() override;

    BOOL DestroyWindow() override;

    // Control members, bound in this order.
    CProgressCtrl m_progress;       // 1037
    CEdit m_path;                   // 1033
    CEdit m_status;                 // 1036
    CComboBox m_capacity;           // 1030
    CButton m_download;             // 1035
    CButton m_disconnect;           // 1032
    CButton m_connect;              // 1031
    CButton m_browse;               // 1034
    C_CenterComboBox m_speechFormatList;   // 1028
    C_DecEdit m_systemClockEdit;    // 1027
    CListBox m_audioList;           // 1012
    CListBox m_imageList;           // 1001
    CStatic m_result;               // 1024
    C_PreViewWnd m_preview;         // 1002
    C_DecEdit m_sampleRateEdit;     // 1025
    C_HexEdit m_audioStartEdit;     // 1026
    C_ColorStatic m_bgColor;        // 1007
    C_CenterComboBox m_resolutionList;     // 1017
    C_HexEdit m_imageStartEdit;     // 1023

    // Data members
    HANDLE m_hWorker = nullptr;     // the running download worker
    std::wstring m_imagePath;
    unsigned int m_startAddress = 0;
    HWND m_hOwner = nullptr;
    HICON m_hIcon = nullptr;
    Gdiplus::Bitmap* m_pPreviewImage = nullptr;
    HMODULE m_hPicMill = nullptr;
    HMODULE m_hTuneMill = nullptr;
    unsigned short m_imageWidth = 128;
    unsigned short m_imageHeight = 128;
    std::string m_speechFormat = "APM";
    int m_sampleRate = 8000;
    int m_systemClock = 6144000;
    int m_audioCount = 0;
    int m_imageCount = 0;
    unsigned char m_bgRed = 255, m_bgGreen = 255, m_bgBlue = 255;
    unsigned int m_audioStartAddress = 0;
    unsigned int m_imageStartAddress = 0;
    C_USBCmd m_usb;
    std::wstring m_startupArg;
    int m_eraseTicks = 0;

    // Download panel (download/)
    void OnConnect();
    void OnDisconnect();
    void OnBrowse();
    void OnDownload();
    int SetupDownload(const std::wstring& path, unsigned int startAddress, HWND owner);
    int StartDownload();
    // The capacity list's position; selects the default first when none is.
    int CapacityIndex();
    bool IsDownloadRunning() const { return m_hWorker != nullptr; }
    // A download or a Write has the device: no other run may start.
    bool IsDeviceBusy() const { return IsDownloadRunning() || m_writeRunning; }

    // The download worker's run, on its own thread; nonzero on success.
    int DownloadWorker(const std::wstring& imagePath);

    // Builder panel (builder/)
    // Reads the panel's fields back into the parameters; 0 when an address
    // is odd (with a warning when messages are wanted).
    int GatherParams(BOOL showMessages);
    // Shows the selected image of the image list in the preview, or nothing.
    void UpdatePreview();
    // The speech format becomes the text of the chosen item.
    void OnSpeechFormatChange();
    // The list buttons; TRUE when id is one of them.
    BOOL OnListCommand(int id);
    void OnChangeColor();
    void OnWrite();
    // Double-click (or Enter) on an audio entry: plays it as the device
    // will, or stops the clip that plays.
    void OnPlayClip();
    // Double-click on an image entry: shows it as the device will.
    void OnLookPicture();

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    void OnOK() override;
    void OnCancel() override;
    BOOL PreTranslateMessage(MSG* msg) override;

private:
    // The window's side of a download run and of the Write command's chain.
    class DownloadReport;
    class WriteReport;

    static DWORD WINAPI DownloadThread(LPVOID param);
    // Handlers on the user-interface thread for the worker's messages.
    void OnDownloadProgress(WPARAM done, LPARAM total);
    void OnEraseTimer(WPARAM interval);
    void OnEraseTick();
    void OnDownloadFinished();
    // Capacity list position as the worker reads it; the default when none.
    int WorkerCapacityIndex() const;

    // Settings (app/Settings.cpp): read at construction, shown at
    // initialisation, written back once when the window is destroyed.
    void LoadSettings();
    void ShowSettings();
    void SaveSettings();
    void LoadFileList(const char* section, CListBox& list);
    void SaveFileList(const char* section, CListBox& list);
    void ShowBackgroundColor(COLORREF color);
    // The index of the checked flash type button.
    int CheckedFlashType() const;
    void ShowConverting(const std::string& source);
    // List edits; each returns whether the list changed.
    bool AddEntries(CListBox& list, const char* filter, const wchar_t* limitMessage);
    bool DeleteEntry(CListBox& list);
    bool MoveEntry(CListBox& list, int step);

    BOOL LoadConverter(HMODULE& module, const char* fileName, const wchar_t* failure);
    void OnPaint();
    // A file dropped on the window goes into the path field.
    void OnDropFiles(HDROP drop);

    // Window layout (app/MainWindowLayout.cpp).
    // The controls of one panel: the builder panel is everything from the
    // audio list's left edge rightwards, the download panel the rest.
    std::vector<HWND> PanelControls(bool builder) const;
    // Sizes the window for the panels in view at its DPI; at initialisation
    // it also goes to the top left of the screen, otherwise it stays where it is.
    void FitWindow(bool toOrigin);
    // The system menu's "Image Builder": widens the window to show the
    // builder panel, or narrows it back to the download panel.
    void ShowBuilderPanel(bool show);
    void OnDpiChanged(const RECT& suggested);

    // Set once the window's initialisation has run to its end.
    bool m_initialised = false;
    // The user asked to close while a download ran: close when it ends.
    bool m_closePending = false;
    // The builder panel is in view.
    bool m_builderShown = false;
    // A Write is converting, packing or writing.
    bool m_writeRunning = false;
    // The builder's clip player and picture window.
    CClipPlayer m_player;
    CPictureLookWnd m_pictureLook;
    void OnClipPlayer(WPARAM event);
};

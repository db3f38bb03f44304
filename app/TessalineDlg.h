// The main window: the visible download panel and the hidden builder panel,
// side by side in one dialog template, with the result label under both.
// The window composes the panels and routes their commands and messages;
// it owns the size rule, the system menu, the drag and drop, and the order
// of start-up and shut-down.
#pragma once
#include "BuilderPanel.h"
#include "CDialog.h"
#include "CControls.h"
#include "DownloadPanel.h"
#include <string>
#include <shellapi.h>

class CTessalineDlg : public CDialog {
public:
    CTessalineDlg();
    ~CTessalineDlg() override;

    BOOL DestroyWindow() override;

    // The command line's text: the path field's first text.
    std::wstring m_startupArg;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // Routes a command to the panel whose control sent it.
    BOOL OnCommand(int id, int code) override;

    void OnOK() override;
    void OnCancel() override;
    BOOL PreTranslateMessage(MSG* msg) override;

private:
    // A download or a Write has the device: no other run may start.
    bool IsDeviceBusy() const { return m_downloadPanel.IsRunning() || m_builderPanel.IsWriting(); }
    // After a message of the download's run: once the run has ended, a
    // close asked for meanwhile happens now.
    void CloseIfPending();
    void OnPaint();
    // A file dropped on the window goes into the path field.
    void OnDropFiles(HDROP drop);

    // Sizes the window for the panels in view at its DPI; at initialisation
    // it also goes to the top left of the screen, otherwise it stays where it is.
    void FitWindow(bool toOrigin);
    // The system menu's "Image Builder": widens the window to show the
    // builder panel, or narrows it back to the download panel.
    void ShowBuilderPanel(bool show);
    void OnDpiChanged(const RECT& suggested);

    HICON m_hIcon = nullptr;
    // The result label (1024), under both panels.
    CStatic m_result;
    CDownloadPanel m_downloadPanel;
    CBuilderPanel m_builderPanel;
    // Set once the window's initialisation has run to its end.
    bool m_initialised = false;
    // The user asked to close while a download ran: close when it ends.
    bool m_closePending = false;
    // The builder panel is in view.
    bool m_builderShown = false;
};

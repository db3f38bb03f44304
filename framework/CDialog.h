// A dialog built from a template, run modally by our own loop so that the
// virtual DestroyWindow runs when the modal run ends.
#pragma once
#include "CWnd.h"

// Attaches a control object to the template control with this id of dialog,
// unless it is attached already (what DDX_Control does, for objects that
// bind the controls of part of a dialog).
void BindDlgControl(CWnd& dialog, int id, CWnd& control);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);

    // Creates the dialog, runs it until EndDialog and destroys it through the
    // virtual DestroyWindow. Returns the EndDialog value, or -1 when the
    // dialog could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int result);
    BOOL IsModalRunning() const { return m_hWnd != nullptr && !m_endModal; }

protected:
    // Binds the control objects to the template's controls.
    virtual void DoDataExchange() {}
    virtual BOOL OnInitDialog();
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A message of the modal loop, before the dialog's keyboard handling;
    // return TRUE when it has been dealt with.
    virtual BOOL PreTranslateMessage(MSG* msg) { return FALSE; }
    // A WM_COMMAND, unpacked: the control's (or menu item's) id and its
    // notification code. Return TRUE when handled; otherwise a click on
    // IDOK or IDCANCEL goes on to OnOK or OnCancel.
    virtual BOOL OnCommand(int id, int code) { return FALSE; }

    // Attaches a control object to the template control with this id.
    void DDX_Control(int id, CWnd& control);
    // Fills list and combo boxes from the template's initialisation data.
    BOOL ExecuteDlgInit();

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    int m_nModalResult = -1;
    bool m_endModal = false;
};

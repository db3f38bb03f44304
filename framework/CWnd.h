// A window object bound to an HWND, with message dispatch through one virtual
// function and notifications reflected from the parent back to the control.
#pragma once
#include <windows.h>
#include <string>

class CWnd {
public:
    HWND m_hWnd = nullptr;

    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object attached to a window through SubclassWindow, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Routes the window's messages through this object from now on.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();
    virtual void PreSubclassWindow() {}

    virtual BOOL DestroyWindow();
    // Creates a plain top-level or child window of the framework's own class
    // (white background, arrow cursor) and routes its messages through this
    // object, as SubclassWindow does.
    BOOL CreateEx(DWORD exStyle, const wchar_t* title, DWORD style, int x, int y, int width, int height,
                  HWND parent);

    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const
    { return ::SendMessageW(m_hWnd, msg, wParam, lParam); }
    BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const
    { return ::PostMessageW(m_hWnd, msg, wParam, lParam); }

    void SetWindowText(const wchar_t* text) { ::SetWindowTextW(m_hWnd, text); }
    void SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text); }
    int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
    // The text in the system's ANSI code page, at most maxChars - 1 characters.
    std::string GetWindowTextA(int maxChars = 0) const;
    std::wstring GetWindowTextW() const;

    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
    { return ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags); }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void InvalidateRect(const RECT* rect, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, rect, erase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL RedrawWindow(const RECT* rect = nullptr, HRGN rgn = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE)
    { return ::RedrawWindow(m_hWnd, rect, rgn, flags); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    HMENU GetSystemMenu(BOOL revert) const { return ::GetSystemMenu(m_hWnd, revert); }
    // Dropped files arrive as WM_DROPFILES (see DropFiles.h).
    void DragAcceptFiles(BOOL accept = TRUE);
    // The window's dots per inch: its monitor's where the system tracks DPI
    // per monitor, the system's otherwise.
    UINT GetDpi() const;
    HICON SetIcon(HICON icon, BOOL big)
    { return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon))); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE)); }
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags = 0);

    int MessageBox(const wchar_t* text, const wchar_t* caption, UINT type = MB_OK)
    { return ::MessageBoxW(m_hWnd, text, caption, type); }

protected:
    // The one place a window class handles its messages: return TRUE with
    // *result set when handled, FALSE to let the default processing run.
    virtual BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A notification or owner-draw request that the parent received for this
    // control, handed back to it. Return TRUE when handled.
    virtual BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // The default processing of the message being handled now.
    LRESULT Default();
    virtual void PostNcDestroy() {}

    static LRESULT CALLBACK StdWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    BOOL ReflectChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

    WNDPROC m_pfnSuper = nullptr;
    MSG m_currentMsg = {};
};

// A window class for the controls a dialog template names by class: the
// default window procedure (the control object subclasses the window when
// bound), the arrow cursor and the dialog's face colour. TRUE when the
// module has it, registered now or before.
BOOL RegisterControlClass(const wchar_t* name, UINT style);
// Removes it again, once no window of it is left.
void UnregisterControlClass(const wchar_t* name);

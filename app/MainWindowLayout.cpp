// The main window's size and the builder panel's toggle.
#include "TessalineDlg.h"
#include "WindowLayout.h"

namespace {

// A child window's rectangle in its parent's client coordinates.
RECT ChildRect(HWND parent, HWND child)
{
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

std::vector<HWND> CTessalineDlg::PanelControls(bool builder) const
{
    LONG builderLeft = ChildRect(m_hWnd, GetDlgItem(IDC_AUDIO_LIST)).left;
    std::vector<HWND> controls;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if ((ChildRect(m_hWnd, child).left >= builderLeft) == builder)
            controls.push_back(child);
    }
    return controls;
}

void CTessalineDlg::FitWindow(bool toOrigin)
{
    // What must show: the download panel whole, down to the result label,
    // and the builder panel while it is in view. Where the window must grow
    // for them, the download panel's left margin goes beyond them too.
    RECT content = {};
    for (HWND control : PanelControls(false)) {
        RECT rect = ChildRect(m_hWnd, control);
        ::UnionRect(&content, &content, &rect);
    }
    int margin = content.left;
    if (m_builderShown) {
        for (HWND control : PanelControls(true)) {
            RECT rect = ChildRect(m_hWnd, control);
            ::UnionRect(&content, &content, &rect);
        }
    }

    RECT window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    layout::Extent frame = { (window.right - window.left) - client.right,
                             (window.bottom - window.top) - client.bottom };
    layout::Extent size = layout::MainWindowSize(static_cast<int>(GetDpi()), frame,
                                                 { content.right, content.bottom }, margin);
    if (toOrigin)
        SetWindowPos(HWND_TOP, 0, 0, size.width, size.height, 0);
    else
        SetWindowPos(nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CTessalineDlg::ShowBuilderPanel(bool show)
{
    m_builderShown = show;
    for (HWND control : PanelControls(true))
        ::ShowWindow(control, show ? SW_SHOWNA : SW_HIDE);
    ::CheckMenuItem(GetSystemMenu(FALSE), IDM_IMAGE_BUILDER, MF_BYCOMMAND | (show ? MF_CHECKED : MF_UNCHECKED));
    FitWindow(false);

    // The focus must not stay on a control that went out of view.
    HWND focus = ::GetFocus();
    if (!show && focus && ::IsChild(m_hWnd, focus) && !::IsWindowVisible(focus)) {
        HWND first = ::GetNextDlgTabItem(m_hWnd, nullptr, FALSE);
        if (first)
            SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
    }
}

void CTessalineDlg::OnDpiChanged(const RECT& suggested)
{
    SetWindowPos(nullptr, suggested.left, suggested.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    FitWindow(false);
}

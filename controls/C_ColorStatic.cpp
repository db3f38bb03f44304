#include "C_ColorStatic.h"

C_ColorStatic::C_ColorStatic()
    : m_crText(::GetSysColor(COLOR_BTNTEXT)), m_crBackground(::GetSysColor(COLOR_BTNFACE))
{
    m_brBackground.CreateSolidBrush(m_crBackground);
}

void C_ColorStatic::SetTextColor(COLORREF color)
{
    m_crText = color == kSystemColor ? ::GetSysColor(COLOR_BTNTEXT) : color;
    if (m_hWnd)
        Invalidate(TRUE);
}

void C_ColorStatic::SetBkColor(COLORREF color)
{
    m_crBackground = color == kSystemColor ? ::GetSysColor(COLOR_BTNFACE) : color;
    // Never keeps a brush of the old colour: when the new one cannot be made
    // the label has none until CtlColor manages to make it.
    m_brBackground.DeleteObject();
    m_brBackground.CreateSolidBrush(m_crBackground);
    if (m_hWnd)
        Invalidate(TRUE);
}

HBRUSH C_ColorStatic::CtlColor(CDC* dc, UINT)
{
    if (!m_brBackground.GetSafeHandle() && !m_brBackground.CreateSolidBrush(m_crBackground))
        return nullptr;
    dc->SetTextColor(m_crText);
    dc->SetBkColor(m_crBackground);
    return m_brBackground;
}

BOOL C_ColorStatic::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg < WM_CTLCOLORMSGBOX || msg > WM_CTLCOLORSTATIC)
        return CStatic::OnChildNotify(msg, wParam, lParam, result);
    CDC dc;
    dc.Attach(reinterpret_cast<HDC>(wParam));
    HBRUSH brush = CtlColor(&dc, msg - WM_CTLCOLORMSGBOX);
    dc.Detach();
    if (!brush)
        return FALSE;
    *result = reinterpret_cast<LRESULT>(brush);
    return TRUE;
}

BOOL C_ColorStatic::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg == WM_DESTROY) {
        *result = Default();
        m_brBackground.DeleteObject();
        return TRUE;
    }
    return CStatic::OnWndMsg(msg, wParam, lParam, result);
}

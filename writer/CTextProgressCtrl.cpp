#include "CTextProgressCtrl.h"
#include "C_MemDC.h"
#include "CDC.h"
#include "ProgressText.h"

CTextProgressCtrl::CTextProgressCtrl()
    : m_crBarColor(::GetSysColor(COLOR_HIGHLIGHT)),
      m_crBgColor(::GetSysColor(COLOR_WINDOW)),
      m_crTextOverBgColor(::GetSysColor(COLOR_HIGHLIGHT)),
      m_crTextOverBarColor(::GetSysColor(COLOR_WINDOW))
{
}

CTextProgressCtrl::~CTextProgressCtrl() = default;

void CTextProgressCtrl::SetRange(int lower, int upper)
{
    m_nMin = lower;
    m_nMax = upper;
}

int CTextProgressCtrl::SetPos(int position)
{
    if (!m_hWnd || !::IsWindow(m_hWnd))
        return -1;
    int old = m_nPos;
    m_nPos = position;

    RECT client;
    GetClientRect(&client);
    int width = ProgressBarWidth(client.right - client.left, m_nPos, m_nMin, m_nMax);
    if (!m_bBarWidthKnown || width != m_nBarWidth) {
        m_nBarWidth = width;
        m_bBarWidthKnown = true;
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    return old;
}

void CTextProgressCtrl::SetTextVisible(BOOL visible)
{
    BOOL show = visible ? TRUE : FALSE;
    bool changed = show != m_bShowText;
    m_bShowText = show;
    if (m_hWnd && changed)
        Invalidate(TRUE);
}

BOOL CTextProgressCtrl::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_ERASEBKGND:
        // The paint covers the whole client area.
        *result = 1;
        return TRUE;
    case WM_PAINT:
        OnPaint();
        *result = 0;
        return TRUE;
    case WM_SIZE:
        *result = Default();
        m_bBarWidthKnown = false;
        m_nBarWidth = -1;
        return TRUE;
    case WM_SETTEXT:
        *result = OnSetText(reinterpret_cast<const wchar_t*>(lParam));
        return TRUE;
    case WM_GETTEXT:
        *result = OnGetText(static_cast<size_t>(wParam), reinterpret_cast<wchar_t*>(lParam));
        return TRUE;
    case WM_GETTEXTLENGTH:
        // Agrees with WM_GETTEXT, not with the text the window was created with.
        *result = static_cast<LRESULT>(m_strText.size());
        return TRUE;
    default:
        return CProgressCtrl::OnWndMsg(msg, wParam, lParam, result);
    }
}

void CTextProgressCtrl::OnPaint()
{
    CPaintDC paint(this);
    C_MemDC dc(&paint);

    RECT client;
    GetClientRect(&client);
    const int width = client.right - client.left;
    int filled = ProgressBarWidth(width, m_nPos, m_nMin, m_nMax);
    // Below the lower limit the bar is empty, above the upper one it is full.
    if (filled < 0)
        filled = 0;
    if (filled > width)
        filled = width;
    RECT bar = client;
    bar.right = client.left + filled;
    RECT rest = client;
    rest.left = bar.right;

    dc.FillSolidRect(&bar, m_crBarColor);
    dc.FillSolidRect(&rest, m_crBgColor);

    if (!m_bShowText)
        return;
    std::wstring text = m_strText;
    if (text.empty()) {
        std::string percent = ProgressPercentText(m_nPos, m_nMin, m_nMax);
        text.assign(percent.begin(), percent.end());
    }
    if (text.empty())
        return;

    dc.SetBkMode(TRANSPARENT);
    const int length = static_cast<int>(text.size());
    const UINT format = DT_SINGLELINE | DT_CENTER | DT_VCENTER;

    int saved = dc.SaveDC();
    dc.IntersectClipRect(&bar);
    dc.SetTextColor(m_crTextOverBarColor);
    RECT place = client;
    dc.DrawText(text.c_str(), length, &place, format);
    dc.RestoreDC(saved);

    saved = dc.SaveDC();
    dc.IntersectClipRect(&rest);
    dc.SetTextColor(m_crTextOverBgColor);
    place = client;
    dc.DrawText(text.c_str(), length, &place, format);
    dc.RestoreDC(saved);
}

LRESULT CTextProgressCtrl::OnSetText(const wchar_t* text)
{
    LRESULT result = Default();
    std::wstring updated = text ? text : L"";
    if (updated != m_strText) {
        m_strText = updated;
        Invalidate(TRUE);
    }
    return result;
}

LRESULT CTextProgressCtrl::OnGetText(size_t bufferChars, wchar_t* buffer) const
{
    if (!buffer || bufferChars == 0)
        return 0;
    size_t count = m_strText.size();
    if (count > bufferChars - 1)
        count = bufferChars - 1;
    m_strText.copy(buffer, count);
    buffer[count] = L'\0';
    return static_cast<LRESULT>(count);
}

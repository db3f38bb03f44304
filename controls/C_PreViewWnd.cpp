#include "C_PreViewWnd.h"
#include "ImageFit.h"
#include "C_MemDC.h"
#include "GdiPlus.h"
#include <stdexcept>

const wchar_t* const C_PreViewWnd::kClassName = L"C_PreViewWnd";

C_PreViewWnd::C_PreViewWnd()
{
    if (!RegisterWindowClass())
        throw std::runtime_error("C_PreViewWnd: window class registration failed");
}

C_PreViewWnd::~C_PreViewWnd()
{
    DestroyWindow();
    UnregisterControlClass(kClassName);
}

BOOL C_PreViewWnd::RegisterWindowClass()
{
    return RegisterControlClass(kClassName, CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS);
}

void C_PreViewWnd::PreSubclassWindow()
{
    CWnd::PreSubclassWindow();
    DWORD exStyle = GetExStyle() | WS_EX_CLIENTEDGE | WS_EX_TRANSPARENT;
    ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, static_cast<LONG>(exStyle));
    SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

BOOL C_PreViewWnd::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg == WM_ERASEBKGND) {
        CDC dc;
        dc.Attach(reinterpret_cast<HDC>(wParam));
        *result = OnEraseBkgnd(&dc);
        dc.Detach();
        return TRUE;
    }
    return CWnd::OnWndMsg(msg, wParam, lParam, result);
}

BOOL C_PreViewWnd::OnEraseBkgnd(CDC* dc)
{
    RECT client;
    GetClientRect(&client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0 || !dc->GetSafeHdc())
        return TRUE;

    C_MemDC mem(dc);
    mem.FillSolidRect(&client, m_crBackground);
    if (!m_pImage)
        return TRUE;

    // An image that failed to decode answers 0 for both sides: nothing is drawn.
    FitRect fit = AspectFit(width, height, m_pImage->GetWidth(), m_pImage->GetHeight());
    if (fit.width <= 0 || fit.height <= 0)
        return TRUE;

    // The off-screen context is shifted to the repainted area; GDI+ is given
    // device coordinates so the placement does not depend on how it treats
    // a context's window origin.
    POINT origin = mem.SetWindowOrg(0, 0);
    {
        Gdiplus::Graphics graphics(mem.GetSafeHdc());
        graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        graphics.DrawImage(m_pImage, client.left + fit.x - origin.x, client.top + fit.y - origin.y,
                           fit.width, fit.height);
    }
    mem.SetWindowOrg(origin.x, origin.y);
    return TRUE;
}

#include "HostWindow.h"

namespace {
const wchar_t kHostClass[] = L"TessalineTestHost";

void RegisterHostClass()
{
    WNDCLASSW info = {};
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (::GetClassInfoW(instance, kHostClass, &info))
        return;
    info.lpfnWndProc = ::DefWindowProcW;
    info.hInstance = instance;
    info.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    info.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    info.lpszClassName = kHostClass;
    ::RegisterClassW(&info);
}
}

HostWindow::HostWindow(int x, int y, int width, int height, bool visible)
{
    RegisterHostClass();
    HWND hWnd = ::CreateWindowExW(0, kHostClass, L"host", WS_POPUP | WS_CLIPCHILDREN,
                                  x, y, width, height, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    SubclassWindow(hWnd);
    if (visible) {
        ::ShowWindow(hWnd, SW_SHOWNOACTIVATE);
        ::UpdateWindow(hWnd);
    }
}

HostWindow::~HostWindow()
{
    DestroyWindow();
}

HWND HostWindow::CreateChildA(const char* className, const char* text, DWORD style, int id,
                              int x, int y, int width, int height, DWORD exStyle)
{
    return ::CreateWindowExA(exStyle, className, text, WS_CHILD | style, x, y, width, height,
                             m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             ::GetModuleHandleW(nullptr), nullptr);
}

HWND HostWindow::CreateChildW(const wchar_t* className, const wchar_t* text, DWORD style, int id,
                              int x, int y, int width, int height, DWORD exStyle)
{
    return ::CreateWindowExW(exStyle, className, text, WS_CHILD | style, x, y, width, height,
                             m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             ::GetModuleHandleW(nullptr), nullptr);
}

BOOL HostWindow::OnWndMsg(UINT msg, WPARAM wParam, LPARAM, LRESULT*)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == EN_UPDATE)
        ++m_updatesSeen;
    return FALSE;
}

void PumpMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

PixelCanvas::PixelCanvas(int width, int height, COLORREF fill) : m_width(width), m_height(height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    m_bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_dc = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    m_bits = static_cast<const unsigned*>(bits);
    m_old = ::SelectObject(m_dc, m_bitmap);
    RECT all = { 0, 0, width, height };
    ::SetBkColor(m_dc, fill);
    ::ExtTextOutW(m_dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
}

PixelCanvas::~PixelCanvas()
{
    ::SelectObject(m_dc, m_old);
    ::DeleteDC(m_dc);
    ::DeleteObject(m_bitmap);
}

COLORREF PixelCanvas::At(int x, int y) const
{
    ::GdiFlush();
    unsigned pixel = m_bits[y * m_width + x];   // 0x00RRGGBB
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

void PixelCanvas::CopyFromWindow(HWND hWnd)
{
    HDC window = ::GetDC(hWnd);
    ::BitBlt(m_dc, 0, 0, m_width, m_height, window, 0, 0, SRCCOPY);
    ::ReleaseDC(hWnd, window);
}

int PixelCanvas::Count(COLORREF color, const RECT& area) const
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (At(x, y) == color)
                ++count;
    return count;
}

#include "C_PreViewWnd.h"
#include "CWinApp.h"
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
    WNDCLASSW info;
    HINSTANCE instance = CWinApp::ResourceHandle();
    if (::GetClassInfoW(instance, kClassName, &info))
        ::UnregisterClassW(kClassName, instance);
}

BOOL C_PreViewWnd::RegisterWindowClass()
{
    HINSTANCE instance = CWinApp::ResourceHandle();
    WNDCLASSW info;
    if (::GetClassInfoW(instance, kClassName, &info))
        return TRUE;
    info = {};
    info.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    info.lpfnWndProc = ::DefWindowProcW;
    info.hInstance = instance;
    info.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    info.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    info.lpszClassName = kClassName;
    return ::RegisterClassW(&info) != 0;
}

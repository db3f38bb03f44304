#include "C_FlashMapStrip.h"
#include "CWinApp.h"
#include <stdexcept>

const wchar_t* const C_FlashMapStrip::kClassName = L"C_FlashMapStrip";

C_FlashMapStrip::C_FlashMapStrip()
{
    if (!RegisterWindowClass())
        throw std::runtime_error("C_FlashMapStrip: window class registration failed");
}

C_FlashMapStrip::~C_FlashMapStrip()
{
    DestroyWindow();
    WNDCLASSW info;
    HINSTANCE instance = CWinApp::ResourceHandle();
    if (::GetClassInfoW(instance, kClassName, &info))
        ::UnregisterClassW(kClassName, instance);
}

BOOL C_FlashMapStrip::RegisterWindowClass()
{
    HINSTANCE instance = CWinApp::ResourceHandle();
    WNDCLASSW info;
    if (::GetClassInfoW(instance, kClassName, &info))
        return TRUE;
    info = {};
    info.style = CS_VREDRAW | CS_HREDRAW;
    info.lpfnWndProc = ::DefWindowProcW;
    info.hInstance = instance;
    info.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    info.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    info.lpszClassName = kClassName;
    return ::RegisterClassW(&info) != 0;
}

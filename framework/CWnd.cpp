#include "CWnd.h"
#include "CWinApp.h"
#include <shellapi.h>

namespace {
const wchar_t kObjectProp[] = L"Tessaline.CWnd";
}

CWnd::~CWnd()
{
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        if (FromHandlePermanent(m_hWnd) == this)
            UnsubclassWindow();
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    if (!hWnd)
        return nullptr;
    return static_cast<CWnd*>(::GetPropW(hWnd, kObjectProp));
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* title, DWORD style, int x, int y, int width, int height,
                    HWND parent)
{
    static const wchar_t kClassName[] = L"Tessaline.Window";
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    if (!::GetClassInfoExW(instance, kClassName, &windowClass)) {
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = ::DefWindowProcW;
        windowClass.hInstance = instance;
        windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = kClassName;
        if (!::RegisterClassExW(&windowClass))
            return FALSE;
    }
    HWND hWnd = ::CreateWindowExW(exStyle, kClassName, title, style, x, y, width, height, parent, nullptr, instance,
                                  nullptr);
    if (!hWnd)
        return FALSE;
    if (!SubclassWindow(hWnd)) {
        ::DestroyWindow(hWnd);
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd))
        return FALSE;
    m_hWnd = hWnd;
    ::SetPropW(hWnd, kObjectProp, this);
    PreSubclassWindow();
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    HWND control = ::GetDlgItem(parent->m_hWnd, static_cast<int>(id));
    return control ? SubclassWindow(control) : FALSE;
}

HWND CWnd::UnsubclassWindow()
{
    HWND hWnd = m_hWnd;
    if (!hWnd)
        return nullptr;
    if (m_pfnSuper)
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    ::RemovePropW(hWnd, kObjectProp);
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

std::string CWnd::GetWindowTextA(int maxChars) const
{
    int length = ::GetWindowTextLengthA(m_hWnd);
    if (maxChars > 0 && length > maxChars - 1)
        length = maxChars - 1;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = ::GetWindowTextA(m_hWnd, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

std::wstring CWnd::GetWindowTextW() const
{
    int length = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = ::GetWindowTextW(m_hWnd, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags)
{
    DWORD style = GetExStyle();
    DWORD updated = (style & ~remove) | add;
    if (style == updated)
        return FALSE;
    ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, static_cast<LONG>(updated));
    if (swpFlags)
        SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
    return TRUE;
}

void CWnd::DragAcceptFiles(BOOL accept)
{
    ::DragAcceptFiles(m_hWnd, accept);
}

UINT CWnd::GetDpi() const
{
    // GetDpiForWindow exists from Windows 10 version 1607 on.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow) {
        UINT dpi = getDpiForWindow(m_hWnd);
        if (dpi)
            return dpi;
    }
    HDC dc = ::GetDC(m_hWnd);
    int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::ReleaseDC(m_hWnd, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96u;
}

BOOL CWnd::OnWndMsg(UINT, WPARAM, LPARAM, LRESULT*)
{
    return FALSE;
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*)
{
    return FALSE;
}

// Hands a control's notification back to the control's own object first.
BOOL CWnd::ReflectChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND:
        child = reinterpret_cast<HWND>(lParam);
        break;
    case WM_NOTIFY:
        child = reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORDLG:
    case WM_HSCROLL:
    case WM_VSCROLL:
        child = reinterpret_cast<HWND>(lParam);
        break;
    case WM_DRAWITEM:
        if (wParam)
            child = reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem;
        break;
    case WM_DELETEITEM:
        if (wParam)
            child = reinterpret_cast<DELETEITEMSTRUCT*>(lParam)->hwndItem;
        break;
    case WM_COMPAREITEM:
        if (wParam)
            child = reinterpret_cast<COMPAREITEMSTRUCT*>(lParam)->hwndItem;
        break;
    case WM_MEASUREITEM:
        if (wParam)
            child = ::GetDlgItem(m_hWnd, static_cast<int>(wParam));
        break;
    default:
        return FALSE;
    }
    if (!child || child == m_hWnd)
        return FALSE;
    CWnd* object = FromHandlePermanent(child);
    return object ? object->OnChildNotify(msg, wParam, lParam, result) : FALSE;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (ReflectChildNotify(msg, wParam, lParam, &result))
        return result;
    if (OnWndMsg(msg, wParam, lParam, &result))
        return result;
    return DefWindowProc(msg, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, msg, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(m_currentMsg.message, m_currentMsg.wParam, m_currentMsg.lParam);
}

LRESULT CALLBACK CWnd::StdWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = FromHandlePermanent(hWnd);
    if (!wnd)
        return ::DefWindowProcW(hWnd, msg, wParam, lParam);

    MSG saved = wnd->m_currentMsg;
    wnd->m_currentMsg.hwnd = hWnd;
    wnd->m_currentMsg.message = msg;
    wnd->m_currentMsg.wParam = wParam;
    wnd->m_currentMsg.lParam = lParam;
    LRESULT result = wnd->WindowProc(msg, wParam, lParam);
    wnd->m_currentMsg = saved;

    if (msg == WM_NCDESTROY) {
        // The window is gone: detach the object and let it clean up.
        if (FromHandlePermanent(hWnd) == wnd)
            wnd->UnsubclassWindow();
        wnd->PostNcDestroy();
    }
    return result;
}

BOOL RegisterControlClass(const wchar_t* name, UINT style)
{
    HINSTANCE instance = CWinApp::ResourceHandle();
    WNDCLASSW info;
    if (::GetClassInfoW(instance, name, &info))
        return TRUE;
    info = {};
    info.style = style;
    info.lpfnWndProc = ::DefWindowProcW;
    info.hInstance = instance;
    info.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    info.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    info.lpszClassName = name;
    return ::RegisterClassW(&info) != 0;
}

void UnregisterControlClass(const wchar_t* name)
{
    WNDCLASSW info;
    HINSTANCE instance = CWinApp::ResourceHandle();
    if (::GetClassInfoW(instance, name, &info))
        ::UnregisterClassW(name, instance);
}

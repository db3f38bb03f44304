#include "CDialog.h"
#include "CWinApp.h"

namespace {
// The dialog under construction on this thread, attached at its first message.
thread_local CDialog* t_creating = nullptr;

// Message numbers of the initialisation data records.
const WORD kDlgInitListAddString = 0x0401;
const WORD kDlgInitComboAddString = 0x0403;
const LPCWSTR kResourceDlgInit = MAKEINTRESOURCEW(240);
}

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_nIDTemplate(templateId), m_pParentWnd(parent)
{
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT msg, WPARAM, LPARAM)
{
    if (t_creating && !FromHandlePermanent(hWnd)) {
        CDialog* dialog = t_creating;
        t_creating = nullptr;
        dialog->SubclassWindow(hWnd);
        // The first message reached the dialog procedure before the window
        // procedure was replaced; pass it through the object as well.
        if (msg == WM_INITDIALOG)
            return dialog->OnInitDialog();
    }
    return FALSE;
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND: {
        LRESULT result = 0;
        if (lParam && ReflectChildNotify(msg, wParam, lParam, &result))
            return result;
        if (OnWndMsg(msg, wParam, lParam, &result))
            return result;
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (OnCommand(id, code))
            return 0;
        if (id == IDOK && code == BN_CLICKED) {
            OnOK();
            return 0;
        }
        if (id == IDCANCEL && code == BN_CLICKED) {
            OnCancel();
            return 0;
        }
        return DefWindowProc(msg, wParam, lParam);
    }
    default:
        return CWnd::WindowProc(msg, wParam, lParam);
    }
}

BOOL CDialog::OnInitDialog()
{
    ExecuteDlgInit();
    DoDataExchange();
    return TRUE;
}

void BindDlgControl(CWnd& dialog, int id, CWnd& control)
{
    if (!control.m_hWnd)
        control.SubclassDlgItem(static_cast<UINT>(id), &dialog);
}

void CDialog::DDX_Control(int id, CWnd& control)
{
    BindDlgControl(*this, id, control);
}

BOOL CDialog::ExecuteDlgInit()
{
    HINSTANCE instance = CWinApp::ResourceHandle();
    HRSRC info = ::FindResourceW(instance, MAKEINTRESOURCEW(m_nIDTemplate), kResourceDlgInit);
    if (!info)
        return TRUE;
    HGLOBAL data = ::LoadResource(instance, info);
    const BYTE* p = static_cast<const BYTE*>(::LockResource(data));
    const BYTE* end = p + ::SizeofResource(instance, info);
    if (!p)
        return FALSE;
    // Records of: WORD control id, WORD message, DWORD length, bytes.
    while (p + 2 <= end) {
        WORD id = *reinterpret_cast<const WORD*>(p);
        if (id == 0 || p + 8 > end)
            break;
        WORD message = *reinterpret_cast<const WORD*>(p + 2);
        DWORD length = *reinterpret_cast<const DWORD*>(p + 4);
        p += 8;
        if (p + length > end)
            break;
        std::string text(reinterpret_cast<const char*>(p), length);
        text = text.c_str();
        UINT add = message == kDlgInitComboAddString ? CB_ADDSTRING
                 : message == kDlgInitListAddString ? LB_ADDSTRING : 0;
        if (add)
            ::SendDlgItemMessageA(m_hWnd, id, add, 0, reinterpret_cast<LPARAM>(text.c_str()));
        p += length;
    }
    return TRUE;
}

INT_PTR CDialog::DoModal()
{
    HINSTANCE instance = CWinApp::ResourceHandle();
    HRSRC info = ::FindResourceW(instance, MAKEINTRESOURCEW(m_nIDTemplate), MAKEINTRESOURCEW(5));
    if (!info)
        return -1;
    auto* dialogTemplate = static_cast<LPCDLGTEMPLATEW>(::LockResource(::LoadResource(instance, info)));

    HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!parent && CWinApp::Current() && CWinApp::Current()->m_pMainWnd != this
        && CWinApp::Current()->m_pMainWnd)
        parent = CWinApp::Current()->m_pMainWnd->m_hWnd;
    bool enableParent = false;
    if (parent && ::IsWindowEnabled(parent)) {
        ::EnableWindow(parent, FALSE);
        enableParent = true;
    }

    m_endModal = false;
    m_nModalResult = -1;
    t_creating = this;
    HWND hWnd = ::CreateDialogIndirectParamW(instance, dialogTemplate, parent, &CDialog::DialogProc, 0);
    t_creating = nullptr;

    if (hWnd && !m_endModal) {
        ::ShowWindow(hWnd, SW_SHOWNORMAL);
        ::UpdateWindow(hWnd);
        MSG msg;
        while (!m_endModal) {
            BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (got < 0)
                break;
            if (PreTranslateMessage(&msg))
                continue;
            if (!::IsDialogMessageW(hWnd, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
    }

    if (enableParent)
        ::EnableWindow(parent, TRUE);
    if (hWnd && parent && ::GetActiveWindow() == hWnd)
        ::SetActiveWindow(parent);
    if (m_hWnd) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        DestroyWindow();
    }
    return m_nModalResult;
}

void CDialog::EndDialog(int result)
{
    m_nModalResult = result;
    m_endModal = true;
    if (m_hWnd)
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

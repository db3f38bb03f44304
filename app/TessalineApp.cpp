#include "TessalineApp.h"
#include "TessalineDlg.h"
#include "ModuleDir.h"
#include <commctrl.h>
#include "GdiPlus.h"
#include <exception>

const char* const CTessalineApp::kRegistryKey = "Norvane Tessaline 1.0";

CTessalineApp theApp;

BOOL CTessalineApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS };
    ::InitCommonControlsEx(&controls);
    SetModuleInstance(m_hInstance);

    Gdiplus::GdiplusStartupInput input;   // version 1, no callback, own thread, external codecs
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr);

    SetRegistryKey(kRegistryKey);

    CTessalineDlg* dialog = nullptr;
    try {
        dialog = new CTessalineDlg();
    } catch (const std::exception&) {
        return FALSE;
    }
    m_pMainWnd = dialog;
    dialog->m_startupArg = m_argumentsW;
    dialog->DoModal();
    delete dialog;
    m_pMainWnd = nullptr;
    // No message loop of our own: the application ends here.
    return FALSE;
}

int CTessalineApp::ExitInstance()
{
    if (m_gdiplusToken)
        Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
    return CWinApp::ExitInstance();
}

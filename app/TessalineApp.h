// The application object: starts GDI+, names the settings store and runs the main window.
#pragma once
#include "CWinApp.h"

class CTessalineApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;

    static const char* const kRegistryKey;

private:
    ULONG_PTR m_gdiplusToken = 0;
};

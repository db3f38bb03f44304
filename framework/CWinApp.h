// The application object: process start, the command line, and the per-user
// settings store (HKCU\Software\<registry key>\<application name>\<section>).
#pragma once
#include <windows.h>
#include <string>

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    static CWinApp* Current();
    static HINSTANCE ResourceHandle();

    // Returns FALSE to end the application without a message loop.
    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return 0; }
    virtual int Run();

    // Names the settings store; until then the profile operations do nothing.
    void SetRegistryKey(const char* key);
    UINT GetProfileInt(const char* section, const char* entry, int defaultValue) const;
    std::string GetProfileString(const char* section, const char* entry, const char* defaultValue) const;
    BOOL WriteProfileInt(const char* section, const char* entry, int value) const;
    BOOL WriteProfileString(const char* section, const char* entry, const char* value) const;

    HINSTANCE m_hInstance = nullptr;
    std::string m_arguments;       // the arguments after the program name, as given
    std::wstring m_argumentsW;     // the same in UTF-16, whole whatever the ANSI code page
    std::string m_appName;         // the executable's file name without extension
    std::string m_registryKey;     // empty until SetRegistryKey
    CWnd* m_pMainWnd = nullptr;

    // The framework's entry: called by WinMain.
    static int WinMainEntry(HINSTANCE instance, const char* commandLine);

private:
    HKEY OpenSectionKey(const char* section, bool create) const;
};

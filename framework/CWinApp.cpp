#include "CWinApp.h"

namespace {
CWinApp* g_app = nullptr;
}

namespace {

// What follows the program's name on a command line, as WinMain's own
// argument text is cut: a quoted name ends at its closing quote, an unquoted
// one at the first blank; the blanks after it go too.
std::wstring ArgumentsAfterProgramName(const wchar_t* line)
{
    if (!line)
        return std::wstring();
    const wchar_t* at = line;
    if (*at == L'"') {
        ++at;
        while (*at && *at != L'"')
            ++at;
        if (*at == L'"')
            ++at;
    } else {
        while (*at && *at != L' ' && *at != L'\t')
            ++at;
    }
    while (*at == L' ' || *at == L'\t')
        ++at;
    return at;
}

}  // namespace

CWinApp::CWinApp()
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

CWinApp* CWinApp::Current()
{
    return g_app;
}

HINSTANCE CWinApp::ResourceHandle()
{
    return g_app && g_app->m_hInstance ? g_app->m_hInstance : ::GetModuleHandleW(nullptr);
}

int CWinApp::Run()
{
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return ExitInstance();
}

int CWinApp::WinMainEntry(HINSTANCE instance, const char* commandLine)
{
    CWinApp* app = Current();
    if (!app)
        return -1;
    app->m_hInstance = instance;
    app->m_arguments = commandLine ? commandLine : "";
    app->m_argumentsW = ArgumentsAfterProgramName(::GetCommandLineW());

    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(instance, path, MAX_PATH);
    std::string name = path;
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    app->m_appName = name;

    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}

void CWinApp::SetRegistryKey(const char* key)
{
    m_registryKey = key ? key : "";
}

HKEY CWinApp::OpenSectionKey(const char* section, bool create) const
{
    if (m_registryKey.empty())
        return nullptr;
    std::string path = "Software\\" + m_registryKey + "\\" + m_appName + "\\" + section;
    HKEY key = nullptr;
    LONG status = create
        ? ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_READ | KEY_WRITE, nullptr, &key, nullptr)
        : ::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
    return status == ERROR_SUCCESS ? key : nullptr;
}

UINT CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue) const
{
    HKEY key = OpenSectionKey(section, false);
    if (!key)
        return static_cast<UINT>(defaultValue);
    DWORD value = 0, type = 0, size = sizeof(value);
    LONG status = ::RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value))
        return static_cast<UINT>(defaultValue);
    return value;
}

std::string CWinApp::GetProfileString(const char* section, const char* entry, const char* defaultValue) const
{
    std::string fallback = defaultValue ? defaultValue : "";
    HKEY key = OpenSectionKey(section, false);
    if (!key)
        return fallback;
    DWORD type = 0, size = 0;
    LONG status = ::RegQueryValueExA(key, entry, nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        ::RegCloseKey(key);
        return fallback;
    }
    std::string value(size + 1, '\0');
    status = ::RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(&value[0]), &size);
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return fallback;
    value.resize(strnlen(value.c_str(), value.size()));
    return value;
}

BOOL CWinApp::WriteProfileInt(const char* section, const char* entry, int value) const
{
    HKEY key = OpenSectionKey(section, true);
    if (!key)
        return FALSE;
    DWORD data = static_cast<DWORD>(value);
    LONG status = ::RegSetValueExA(key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

BOOL CWinApp::WriteProfileString(const char* section, const char* entry, const char* value) const
{
    HKEY key = OpenSectionKey(section, true);
    if (!key)
        return FALSE;
    LONG status = value
        ? ::RegSetValueExA(key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>(strlen(value) + 1))
        : ::RegDeleteValueA(key, entry);
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

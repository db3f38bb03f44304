#include "ModuleDir.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR 0x00000100
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {
HINSTANCE g_instance = nullptr;
}

void SetModuleInstance(HINSTANCE instance)
{
    g_instance = instance;
}

std::wstring GetModuleDirW(bool addBackslash)
{
    // The buffer grows until the whole name fits, however deep the folder.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(g_instance, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) {
            path.clear();
            break;
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768) {
            path.clear();
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L'\\');
    path.erase(slash == std::wstring::npos ? 0 : slash);
    if (addBackslash)
        path.push_back(L'\\');
    return path;
}

std::string GetModuleDir(bool addBackslash)
{
    const std::wstring wide = GetModuleDirW(addBackslash);
    if (wide.empty())
        return std::string();
    const int size = static_cast<int>(wide.size());
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string dir(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        ::WideCharToMultiByte(CP_ACP, 0, wide.data(), size, &dir[0], bytes, nullptr, nullptr);
    return dir;
}

bool ModuleLibrary::Load(const char* fileName)
{
    if (m_module)
        return true;
    std::wstring path = GetModuleDirW(true);
    for (const char* c = fileName; *c; ++c)
        path.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    m_module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!m_module) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_MOD_NOT_FOUND) {
            // Something it imports is not in the system folder: a companion
            // of its own, beside it.
            m_module = ::LoadLibraryExW(path.c_str(), nullptr,
                                        LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
        } else if (error == ERROR_INVALID_PARAMETER) {
            // A system without the search flags (Windows 7 before its update
            // KB2533623) knows only the altered order.
            m_module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        }
    }
    return m_module != nullptr;
}

void ModuleLibrary::Free()
{
    if (m_module)
        ::FreeLibrary(m_module);
    m_module = nullptr;
}

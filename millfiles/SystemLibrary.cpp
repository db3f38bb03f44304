#include "SystemLibrary.h"

#include <string>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace millfiles {

SystemLibrary::SystemLibrary(const wchar_t* fileName)
{
    module_ = ::LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module_ || ::GetLastError() != ERROR_INVALID_PARAMETER)
        return;
    // A system without the search flags (Windows 7 before its update
    // KB2533623): the full name in the system folder.
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    std::wstring path(folder, length);
    path += L'\\';
    path += fileName;
    module_ = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

SystemLibrary::~SystemLibrary()
{
    if (module_)
        ::FreeLibrary(module_);
}

}  // namespace millfiles

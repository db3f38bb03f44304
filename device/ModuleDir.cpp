#include "ModuleDir.h"

namespace {
HINSTANCE g_instance = nullptr;
}

void SetModuleInstance(HINSTANCE instance)
{
    g_instance = instance;
}

std::string GetModuleDir(bool addBackslash)
{
    char path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(g_instance, path, MAX_PATH);
    std::string dir(path, length < MAX_PATH ? length : MAX_PATH - 1);
    size_t slash = dir.find_last_of('\\');
    dir.erase(slash == std::string::npos ? 0 : slash);
    if (addBackslash)
        dir.push_back('\\');
    return dir;
}

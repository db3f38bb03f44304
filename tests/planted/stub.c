/* A library planted beside a program under the name of a system library:
   loaded, it leaves a file named after itself in the folder that
   TESSALINE_PLANTED_MARKERS names ("msacm32.dll.ran"), and nothing else. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    wchar_t path[MAX_PATH * 2 + 8];
    wchar_t self[MAX_PATH];
    const wchar_t* name = self;
    const wchar_t* at;
    DWORD length;
    HANDLE marker;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    length = GetEnvironmentVariableW(L"TESSALINE_PLANTED_MARKERS", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || GetModuleFileNameW(instance, self, MAX_PATH) == 0)
        return TRUE;
    for (at = self; *at; ++at) {
        if (*at == L'\\' || *at == L'/')
            name = at + 1;
    }
    lstrcatW(path, name);
    lstrcatW(path, L".ran");
    marker = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (marker != INVALID_HANDLE_VALUE)
        CloseHandle(marker);
    return TRUE;
}

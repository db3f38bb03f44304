#include "C_USBCmd.h"
#include "ModuleDir.h"
#include "../res/Texts.h"
#include <string>

const char* const C_USBCmd::kLibraryName = "KP6600HidDriver.dll";

namespace {
typedef int(WINAPI* OpenFn)(int);
typedef int(WINAPI* CloseFn)(int);
typedef int(WINAPI* SetFlashInfoFn)(int, int, int);
typedef int(WINAPI* InitFlashFn)(int);
typedef int(WINAPI* ProgramFn)(int, const unsigned char*, int, unsigned int, int*);
typedef int(WINAPI* MessageBoxFn)(HWND, LPCSTR, LPCSTR, UINT);

// The window library is looked up only when a message is due, so that a
// program without windows never loads it (it costs a console start dearly).
void ShowLoadFailure()
{
    HMODULE user32 = ::LoadLibraryA("user32.dll");
    if (!user32)
        return;
    auto messageBox = reinterpret_cast<MessageBoxFn>(::GetProcAddress(user32, "MessageBoxA"));
    if (messageBox)
        messageBox(nullptr, texts::kLoadDriverFailed, "Error", MB_OK);
    ::FreeLibrary(user32);
}
}

int C_USBCmd::LoadDriver()
{
    if (m_driver)
        return 1;
    if (!m_driver.Load(kLibraryName)) {
        if (m_showLoadFailure)
            ShowLoadFailure();
        return 0;
    }
    return 1;
}

// The export by name, or null when the library or the export is missing.
FARPROC C_USBCmd::Export(const char* name)
{
    if (!m_driver)
        LoadDriver();
    if (!m_driver)
        return nullptr;
    return ::GetProcAddress(m_driver.Get(), name);
}

int C_USBCmd::Open(int deviceNumber)
{
    auto fn = reinterpret_cast<OpenFn>(Export("KP6600Open"));
    return fn ? fn(deviceNumber) : -1;
}

void C_USBCmd::Close(int handle)
{
    auto fn = reinterpret_cast<CloseFn>(Export("KP6600Close"));
    if (fn)
        fn(handle);
}

int C_USBCmd::SetFlashInfo(int handle, int flashTypeCode, int reserved)
{
    auto fn = reinterpret_cast<SetFlashInfoFn>(Export("KP6600SetFlashInfo"));
    return fn ? fn(handle, flashTypeCode, reserved) : 0;
}

int C_USBCmd::InitFlash(int handle)
{
    auto fn = reinterpret_cast<InitFlashFn>(Export("KP6600InitFlash"));
    return fn ? fn(handle) : 0;
}

int C_USBCmd::Program(int handle, const unsigned char* data, int count, unsigned int flashAddress, int* programmed)
{
    auto fn = reinterpret_cast<ProgramFn>(Export("KP6600Program"));
    return fn ? fn(handle, data, count, flashAddress, programmed) : 0;
}

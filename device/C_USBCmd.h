// The binding to the USB bridge's driver library, loaded on first use from
// the program's folder. Each call looks its export up anew and passes the
// arguments and the result through unchanged.
#pragma once
#include "ModuleDir.h"
#include <windows.h>

class C_USBCmd {
public:
    // A binding of a program without windows shows no message of its own
    // when the library can't be loaded.
    explicit C_USBCmd(bool showLoadFailure = true) : m_showLoadFailure(showLoadFailure) {}
    virtual ~C_USBCmd() = default;
    C_USBCmd(const C_USBCmd&) = delete;
    C_USBCmd& operator=(const C_USBCmd&) = delete;

    // 1 when the library is loaded (now or before); 0 after showing why not.
    int LoadDriver();

    // Device handle, negative when no device could be opened; -1 without the library.
    // Virtual, so that a caller can watch which handles are held.
    virtual int Open(int deviceNumber);
    virtual void Close(int handle);
    int SetFlashInfo(int handle, int flashTypeCode, int reserved);
    // 1 when the whole flash was erased.
    int InitFlash(int handle);
    // 1 on success, with *programmed set to the bytes programmed.
    int Program(int handle, const unsigned char* data, int count, unsigned int flashAddress, int* programmed);

    static const char* const kLibraryName;

private:
    FARPROC Export(const char* name);
    ModuleLibrary m_driver;
    bool m_showLoadFailure;
};

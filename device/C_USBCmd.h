// The binding to the USB bridge's driver library, loaded on first use from
// the program's folder. Each call looks its export up anew and passes the
// arguments and the result through unchanged.
#pragma once
#include "FlashDevice.h"
#include "ModuleDir.h"
#include <windows.h>

class C_USBCmd : public FlashDevice {
public:
    // A binding of a program without windows shows no message of its own
    // when the library can't be loaded.
    explicit C_USBCmd(bool showLoadFailure = true) : m_showLoadFailure(showLoadFailure) {}
    virtual ~C_USBCmd() = default;
    C_USBCmd(const C_USBCmd&) = delete;
    C_USBCmd& operator=(const C_USBCmd&) = delete;

    // 1 when the library is loaded (now or before); 0 after showing why not.
    int LoadDriver();

    // The driver's operations; without the library Open gives -1 and the
    // others 0.
    int Open(int deviceNumber) override;
    void Close(int handle) override;
    int SetFlashInfo(int handle, int flashTypeCode, int reserved) override;
    int InitFlash(int handle) override;
    int Program(int handle, const unsigned char* data, int count, unsigned int flashAddress,
                int* programmed) override;

    static const char* const kLibraryName;

private:
    FARPROC Export(const char* name);
    ModuleLibrary m_driver;
    bool m_showLoadFailure;
};

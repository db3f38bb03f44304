// The builder's flash map: a child window of its own class, created from the
// dialog template, that draws the flash as a strip.
#pragma once
#include "CWnd.h"

class C_FlashMapStrip : public CWnd {
public:
    // Registers the window class; throws std::runtime_error when that fails.
    C_FlashMapStrip();
    ~C_FlashMapStrip() override;

    static const wchar_t* const kClassName;
    // Registers the window class unless the module already has it.
    static BOOL RegisterWindowClass();
};

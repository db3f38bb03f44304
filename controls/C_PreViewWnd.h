// The builder's image preview: a child window of its own class, created from
// the dialog template, showing one picture scaled to fit on a background colour.
#pragma once
#include "CWnd.h"

namespace Gdiplus { class Image; }

class C_PreViewWnd : public CWnd {
public:
    C_PreViewWnd();
    ~C_PreViewWnd() override;

    static const wchar_t* const kClassName;
    // Registers the window class unless the module already has it.
    static BOOL RegisterWindowClass();

    COLORREF m_crBackground = 0x00FFFFFF;
    Gdiplus::Image* m_pImage = nullptr;
};

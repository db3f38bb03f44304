// The builder's image preview: a child window of its own class, created from
// the dialog template, showing one picture scaled to fit on a background colour.
// All drawing happens off-screen while the background is erased; the window
// has no paint handler of its own.
#pragma once
#include "CWnd.h"
#include "CDC.h"

namespace Gdiplus { class Image; }

class C_PreViewWnd : public CWnd {
public:
    // Registers the window class; throws std::runtime_error when that fails.
    C_PreViewWnd();
    ~C_PreViewWnd() override;

    static const wchar_t* const kClassName;
    // Registers the window class unless the module already has it.
    static BOOL RegisterWindowClass();

    // Colour behind the picture, 0x00BBGGRR.
    COLORREF m_crBackground = 0x00FFFFFF;
    // The picture shown; not owned. Whoever changes it invalidates the window.
    Gdiplus::Image* m_pImage = nullptr;

protected:
    // Adds the sunken edge and transparency and lets the new frame take effect.
    void PreSubclassWindow() override;
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // Draws the whole window into the erase context; returns TRUE.
    BOOL OnEraseBkgnd(CDC* dc);
};

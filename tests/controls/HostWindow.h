// A top-level window for control tests: subclassed by a CWnd object so that
// it hands its children's notifications back to their own objects, as the
// main window does. It counts the EN_UPDATE notifications that reach its own
// handling, which a filtering field must keep to itself.
#pragma once
#include "CWnd.h"

class HostWindow : public CWnd {
public:
    // A popup at (x, y) with a client area of width x height; shown when asked.
    HostWindow(int x, int y, int width, int height, bool visible);
    ~HostWindow() override;

    HWND CreateChildA(const char* className, const char* text, DWORD style, int id,
                      int x, int y, int width, int height, DWORD exStyle = 0);
    HWND CreateChildW(const wchar_t* className, const wchar_t* text, DWORD style, int id,
                      int x, int y, int width, int height, DWORD exStyle = 0);

    int m_updatesSeen = 0;

protected:
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

// Serves whatever is queued for this thread.
void PumpMessages();

// A 32-bit top-down bitmap with a memory context, for drawing into and
// reading pixels back as COLORREF values.
class PixelCanvas {
public:
    PixelCanvas(int width, int height, COLORREF fill);
    ~PixelCanvas();
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;

    HDC dc() const { return m_dc; }
    COLORREF At(int x, int y) const;
    // Copies a window's visible client area from the screen.
    void CopyFromWindow(HWND hWnd);
    int Count(COLORREF color, const RECT& area) const;

private:
    int m_width, m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    const unsigned* m_bits = nullptr;
};

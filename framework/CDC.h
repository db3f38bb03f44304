// Drawing contexts and the GDI objects drawn with, each owning its handle.
#pragma once
#include <windows.h>

class CWnd;

class CGdiObject {
public:
    CGdiObject() = default;
    ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    BOOL DeleteObject();
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    operator HGDIOBJ() const { return m_hObject; }

protected:
    BOOL Attach(HGDIOBJ object);
    HGDIOBJ m_hObject = nullptr;
};

class CBrush : public CGdiObject {
public:
    BOOL CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

class CBitmap : public CGdiObject {
public:
    BOOL CreateCompatibleBitmap(HDC dc, int width, int height)
    { return Attach(::CreateCompatibleBitmap(dc, width, height)); }
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
};

class CDC {
public:
    HDC m_hDC = nullptr;

    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }

    // Wraps a context owned by someone else; Detach gives it back.
    BOOL Attach(HDC dc);
    HDC Detach();
    BOOL CreateCompatibleDC(HDC dc);
    BOOL DeleteDC();

    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
    COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    // A solid fill that leaves the colour as the context's background colour.
    void FillSolidRect(const RECT* rect, COLORREF color);
    int DrawText(const char* text, int count, RECT* rect, UINT format)
    { return ::DrawTextA(m_hDC, text, count, rect, format); }
    int DrawText(const wchar_t* text, int count, RECT* rect, UINT format)
    { return ::DrawTextW(m_hDC, text, count, rect, format); }
    BOOL BitBlt(int x, int y, int width, int height, HDC source, int xSrc, int ySrc, DWORD rop)
    { return ::BitBlt(m_hDC, x, y, width, height, source, xSrc, ySrc, rop); }
    int GetClipBox(RECT* rect) const { return ::GetClipBox(m_hDC, rect); }
    POINT SetWindowOrg(int x, int y);
    int IntersectClipRect(const RECT* rect)
    { return ::IntersectClipRect(m_hDC, rect->left, rect->top, rect->right, rect->bottom); }
    int SelectClipRgn(HRGN region) { return ::SelectClipRgn(m_hDC, region); }
    int SaveDC() { return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int saved) { return ::RestoreDC(m_hDC, saved); }
    BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }
    BOOL GetTextExtent(const char* text, int count, SIZE* size) const
    { return ::GetTextExtentPoint32A(m_hDC, text, count, size); }

private:
    bool m_owned = false;
};

// The context of one WM_PAINT, between BeginPaint and EndPaint.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps = {};

private:
    HWND m_hWnd;
};

// A window's client-area context, released at destruction.
class CClientDC : public CDC {
public:
    explicit CClientDC(HWND hWnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};

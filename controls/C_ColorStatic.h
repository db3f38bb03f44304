// A static label painted in its own text and background colours. The label
// answers its parent's WM_CTLCOLORSTATIC itself with a brush it owns.
#pragma once
#include "CControls.h"
#include "CDC.h"

class C_ColorStatic : public CStatic {
public:
    // The value that stands for the system's own colour of the label.
    static const COLORREF kSystemColor = 0xFFFFFFFF;

    C_ColorStatic();

    // kSystemColor means COLOR_BTNTEXT. Repaints the label.
    void SetTextColor(COLORREF color);
    // kSystemColor means COLOR_BTNFACE. Replaces the brush and repaints.
    void SetBkColor(COLORREF color);
    COLORREF GetBkColor() const { return m_crBackground; }
    COLORREF GetTextColor() const { return m_crText; }

    // Sets the colours into the label's drawing context and returns the
    // background brush; null when no brush could be had, which leaves the
    // label to the parent's default colouring.
    HBRUSH CtlColor(CDC* dc, UINT ctlColor);

protected:
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    COLORREF m_crText;
    COLORREF m_crBackground;
    CBrush m_brBackground;
};

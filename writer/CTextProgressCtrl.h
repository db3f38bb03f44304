// A progress bar that paints itself: the filled bar, the empty rest, and a
// line of text centred over both in swapped colours, so that it reads on
// either side of the bar's edge. The text is the control's own window text
// when one is set, otherwise the percentage of the position in the range.
// Position and range live in this object only; the standard progress control
// underneath draws nothing.
#pragma once
#include "CControls.h"
#include <string>

class CTextProgressCtrl : public CProgressCtrl {
public:
    CTextProgressCtrl();
    ~CTextProgressCtrl() override;

    // Stores the limits; no check, no repaint. An empty range (lower >= upper)
    // shows an empty bar and no percentage.
    void SetRange(int lower, int upper);
    // Returns the previous position, or -1 without a window. Repaints at once
    // when the bar's width in pixels changes, and only then.
    int SetPos(int position);
    int GetPos() const { return m_nPos; }
    // Shows or hides the text; repaints when the setting changes.
    void SetTextVisible(BOOL visible);

protected:
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnPaint();
    LRESULT OnSetText(const wchar_t* text);
    LRESULT OnGetText(size_t bufferChars, wchar_t* buffer) const;

private:
    int m_nPos = 0;
    int m_nMax = 100;
    int m_nMin = 0;
    std::wstring m_strText;
    BOOL m_bShowText = TRUE;
    // The filled width at the last position change; unknown until the first
    // one and again after a resize.
    int m_nBarWidth = -1;
    bool m_bBarWidthKnown = false;
    COLORREF m_crBarColor;
    COLORREF m_crBgColor;
    COLORREF m_crTextOverBgColor;
    COLORREF m_crTextOverBarColor;
};

// The system colour dialog.
#pragma once
#include "CWnd.h"
#include <commdlg.h>

class CColorDialog {
public:
    explicit CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);
    INT_PTR DoModal();
    COLORREF GetColor() const { return m_cc.rgbResult; }

    CHOOSECOLORW m_cc = {};

private:
    static COLORREF s_customColors[16];
};

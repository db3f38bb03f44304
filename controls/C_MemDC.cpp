#include "C_MemDC.h"

C_MemDC::C_MemDC(CDC* target) : m_pTarget(target)
{
    target->GetClipBox(&m_rect);
    const int width = m_rect.right - m_rect.left;
    const int height = m_rect.bottom - m_rect.top;

    if (width > 0 && height > 0 && CreateCompatibleDC(*target)) {
        if (m_bitmap.CreateCompatibleBitmap(*target, width, height))
            m_hOldBitmap = SelectObject(m_bitmap);
        if (m_hOldBitmap) {
            SetWindowOrg(m_rect.left, m_rect.top);
        } else {
            m_bitmap.DeleteObject();
            DeleteDC();
        }
    }
    if (!m_hOldBitmap) {
        // The target's own state comes back at destruction.
        Attach(*target);
        m_savedTarget = SaveDC();
    }

    FillSolidRect(&m_rect, ::GetSysColor(COLOR_WINDOW));
}

C_MemDC::~C_MemDC()
{
    if (m_hOldBitmap) {
        m_pTarget->BitBlt(m_rect.left, m_rect.top, m_rect.right - m_rect.left,
                          m_rect.bottom - m_rect.top, m_hDC, m_rect.left, m_rect.top, SRCCOPY);
        SelectObject(m_hOldBitmap);
        m_bitmap.DeleteObject();
    } else {
        RestoreDC(m_savedTarget);
        Detach();
    }
}

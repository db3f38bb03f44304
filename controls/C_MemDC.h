// An off-screen drawing context for one drawing pass: it covers the target's
// clip box in the target's own coordinates, starts out in the system window
// colour, and copies its picture to the target in one step when destroyed.
// When no off-screen context or bitmap can be had, it draws on the target
// directly instead, so the picture still appears (only without the buffering).
#pragma once
#include "CDC.h"

class C_MemDC : public CDC {
public:
    explicit C_MemDC(CDC* target);
    ~C_MemDC() override;

    // The area drawn and copied, in the target's logical coordinates.
    const RECT& Area() const { return m_rect; }
    // FALSE when drawing goes straight to the target.
    bool IsOffScreen() const { return m_hOldBitmap != nullptr; }

private:
    RECT m_rect = {};
    CBitmap m_bitmap;
    HGDIOBJ m_hOldBitmap = nullptr;
    CDC* m_pTarget;
    int m_savedTarget = 0;   // the target's saved state while drawing on it directly
};

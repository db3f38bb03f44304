// The builder's flash map: a child window of its own class, created from the
// dialog template, that draws the flash as a strip, left to right from
// address 0, to the scale of the flash (or of the packed image, when that
// runs past it). All drawing happens off-screen while the background is
// erased; the window has no paint handler of its own.
#pragma once
#include "CWnd.h"
#include "CDC.h"
#include <cstdint>
#include <vector>

class C_FlashMapStrip : public CWnd {
public:
    enum class Kind { outside, records, clip, fill, imageCount, picture, free };
    // One part of the flash, in bytes from address 0.
    struct Piece {
        Kind kind = Kind::free;
        uint32_t index = 0;     // the clip's or picture's number
        uint64_t start = 0, length = 0;
        bool overlaps = false;  // lies over another part (drawn as a warning)
    };

    // Registers the window class; throws std::runtime_error when that fails.
    C_FlashMapStrip();
    ~C_FlashMapStrip() override;

    static const wchar_t* const kClassName;
    // Registers the window class unless the module already has it.
    static BOOL RegisterWindowClass();

    // The parts to draw and the flash's size in bytes; repaints.
    void SetPieces(std::vector<Piece> pieces, uint64_t capacity);
    // Highlights the clip or picture of that number (kind clip or picture);
    // Kind::free marks nothing. Repaints when it changes.
    void SetMark(Kind kind, uint32_t index);
    const std::vector<Piece>& Pieces() const { return m_pieces; }

protected:
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // Draws the whole strip into the erase context; returns TRUE.
    BOOL OnEraseBkgnd(CDC* dc);

private:
    bool IsMarked(const Piece& piece) const;

    std::vector<Piece> m_pieces;
    uint64_t m_capacity = 0;
    Kind m_markKind = Kind::free;
    uint32_t m_markIndex = 0;
};

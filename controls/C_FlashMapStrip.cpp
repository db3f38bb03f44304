#include "C_FlashMapStrip.h"
#include "C_MemDC.h"
#include <algorithm>
#include <stdexcept>
#include <utility>

namespace {

const COLORREF kFrame = RGB(96, 96, 96);
const COLORREF kMarked = RGB(255, 160, 0);
const COLORREF kOverrun = RGB(200, 0, 0);

COLORREF PieceColor(const C_FlashMapStrip::Piece& piece)
{
    using Kind = C_FlashMapStrip::Kind;
    const bool odd = (piece.index & 1) != 0;
    if (piece.overlaps)
        return odd ? RGB(240, 110, 110) : RGB(210, 50, 50);
    switch (piece.kind) {
    case Kind::outside:
        return RGB(200, 200, 200);
    case Kind::records:
        return RGB(40, 60, 140);
    case Kind::clip:
        return odd ? RGB(120, 175, 230) : RGB(70, 125, 200);
    case Kind::fill:
        return RGB(245, 225, 160);
    case Kind::imageCount:
        return RGB(25, 100, 45);
    case Kind::picture:
        return odd ? RGB(140, 205, 140) : RGB(80, 165, 90);
    case Kind::free:
        break;
    }
    return RGB(255, 255, 255);
}

// The x of a flash address on a strip of width pixels showing total bytes.
int XOf(uint64_t address, uint64_t total, int width)
{
    if (total == 0)
        return 0;
    const double x = static_cast<double>(address) / static_cast<double>(total) * width;
    return static_cast<int>(std::min<double>(x, width));
}

}  // namespace

const wchar_t* const C_FlashMapStrip::kClassName = L"C_FlashMapStrip";

C_FlashMapStrip::C_FlashMapStrip()
{
    if (!RegisterWindowClass())
        throw std::runtime_error("C_FlashMapStrip: window class registration failed");
}

C_FlashMapStrip::~C_FlashMapStrip()
{
    DestroyWindow();
    UnregisterControlClass(kClassName);
}

BOOL C_FlashMapStrip::RegisterWindowClass()
{
    return RegisterControlClass(kClassName, CS_VREDRAW | CS_HREDRAW);
}

void C_FlashMapStrip::SetPieces(std::vector<Piece> pieces, uint64_t capacity)
{
    m_pieces = std::move(pieces);
    m_capacity = capacity;
    if (m_hWnd)
        Invalidate(TRUE);
}

void C_FlashMapStrip::SetMark(Kind kind, uint32_t index)
{
    if (kind == m_markKind && index == m_markIndex)
        return;
    m_markKind = kind;
    m_markIndex = index;
    if (m_hWnd)
        Invalidate(TRUE);
}

bool C_FlashMapStrip::IsMarked(const Piece& piece) const
{
    return m_markKind != Kind::free && piece.kind == m_markKind && piece.index == m_markIndex;
}

BOOL C_FlashMapStrip::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg == WM_ERASEBKGND) {
        CDC dc;
        dc.Attach(reinterpret_cast<HDC>(wParam));
        *result = OnEraseBkgnd(&dc);
        dc.Detach();
        return TRUE;
    }
    return CWnd::OnWndMsg(msg, wParam, lParam, result);
}

BOOL C_FlashMapStrip::OnEraseBkgnd(CDC* dc)
{
    RECT client;
    GetClientRect(&client);
    if (client.right <= 2 || client.bottom <= 2 || !dc->GetSafeHdc())
        return TRUE;
    C_MemDC mem(dc);
    mem.FillSolidRect(&client, kFrame);
    RECT inner = { 1, 1, client.right - 1, client.bottom - 1 };
    mem.FillSolidRect(&inner, RGB(255, 255, 255));
    const int width = inner.right - inner.left;

    // The scale: the flash, or the packed image where it runs past it.
    uint64_t total = m_capacity;
    for (const Piece& piece : m_pieces)
        total = std::max(total, piece.start + piece.length);

    const Piece* marked = nullptr;
    for (const Piece& piece : m_pieces) {
        RECT rect = inner;
        rect.left = inner.left + XOf(piece.start, total, width);
        // However small, a part takes a pixel.
        rect.right = std::max<LONG>(rect.left + 1, inner.left + XOf(piece.start + piece.length, total, width));
        mem.FillSolidRect(&rect, PieceColor(piece));
        if (IsMarked(piece))
            marked = &piece;
    }
    if (total > m_capacity) {
        // Past the flash: hatched, with a line where the flash ends.
        RECT over = inner;
        over.left = inner.left + XOf(m_capacity, total, width);
        HBRUSH hatch = ::CreateHatchBrush(HS_BDIAGONAL, kOverrun);
        if (hatch) {
            const int mode = mem.SetBkMode(TRANSPARENT);
            ::FillRect(mem.GetSafeHdc(), &over, hatch);
            mem.SetBkMode(mode);
            ::DeleteObject(hatch);
        }
        RECT line = { over.left, 0, over.left + 2, client.bottom };
        mem.FillSolidRect(&line, kOverrun);
    }
    if (marked) {
        // At least a few pixels wide, framed, so that the smallest clip shows.
        RECT rect = inner;
        rect.left = inner.left + XOf(marked->start, total, width);
        rect.right = std::max<LONG>(rect.left + 4, inner.left + XOf(marked->start + marked->length, total, width));
        mem.FillSolidRect(&rect, RGB(0, 0, 0));
        ::InflateRect(&rect, -1, -1);
        mem.FillSolidRect(&rect, kMarked);
    }
    return TRUE;
}

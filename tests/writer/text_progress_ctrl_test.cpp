// The self-painting progress bar on a real progress control.
#include "CTextProgressCtrl.h"
#include "HostWindow.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <algorithm>
#include <memory>

namespace {

const COLORREF kMarker = RGB(1, 2, 3);
const int kWidth = 226;
const int kHeight = 40;

class TextProgressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX init = { sizeof init, ICC_PROGRESS_CLASS };
        ::InitCommonControlsEx(&init);
        // The template's text is set before the object is attached.
        HWND bar = m_host.CreateChildW(PROGRESS_CLASSW, L"Progress1", WS_VISIBLE, 1037,
                                       10, 10, kWidth, kHeight);
        ASSERT_NE(bar, nullptr);
        ASSERT_TRUE(m_bar.SubclassWindow(bar));
        ::UpdateWindow(m_host.m_hWnd);
        m_bar.SetRange(0, 100);
        m_bar.SetTextVisible(TRUE);
    }

    std::unique_ptr<PixelCanvas> Screen()
    {
        auto canvas = std::make_unique<PixelCanvas>(m_width, kHeight, kMarker);
        canvas->CopyFromWindow(m_bar.m_hWnd);
        return canvas;
    }

    // A pixel put on the screen behind the control's back; a repaint removes it.
    void PutMarker()
    {
        HDC dc = ::GetDC(m_bar.m_hWnd);
        ::SetPixel(dc, 5, 1, kMarker);
        ::ReleaseDC(m_bar.m_hWnd, dc);
        ASSERT_EQ(Screen()->At(5, 1), kMarker);
    }
    bool MarkerStillThere() { return Screen()->At(5, 1) == kMarker; }
    bool RepaintPending() { return ::GetUpdateRect(m_bar.m_hWnd, nullptr, FALSE) != FALSE; }

    void Resize(int width)
    {
        m_width = width;
        ::SetWindowPos(m_bar.m_hWnd, nullptr, 0, 0, width, kHeight, SWP_NOMOVE | SWP_NOZORDER);
        ::UpdateWindow(m_bar.m_hWnd);
    }

    std::wstring Text()
    {
        wchar_t buffer[64] = {};
        ::GetWindowTextW(m_bar.m_hWnd, buffer, 64);
        return buffer;
    }

    int m_width = kWidth;
    HostWindow m_host{ 30, 30, 260, 60, true };
    CTextProgressCtrl m_bar;
    const COLORREF m_barColor = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF m_backColor = ::GetSysColor(COLOR_WINDOW);
};

TEST(TextProgressCtrlWithoutWindow, SetPosAnswersMinusOne)
{
    CTextProgressCtrl bar;
    EXPECT_EQ(bar.SetPos(40), -1);
    EXPECT_EQ(bar.GetPos(), 0);
}

TEST_F(TextProgressTest, SetPosReturnsThePreviousPosition)
{
    EXPECT_EQ(m_bar.SetPos(29), 0);
    EXPECT_EQ(m_bar.SetPos(40), 29);
    EXPECT_EQ(m_bar.GetPos(), 40);
    // The standard control underneath is not told.
    EXPECT_EQ(::SendMessageW(m_bar.m_hWnd, PBM_GETPOS, 0, 0), 0);
}

TEST_F(TextProgressTest, BarEdgeLiesAtTheTruncatedWidth)
{
    const int positions[] = { 29, 40, 81 };
    const int edges[] = { 65, 90, 183 };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(positions[i]);
        m_bar.SetPos(positions[i]);
        EXPECT_FALSE(RepaintPending());   // drawn at once
        auto screen = Screen();
        EXPECT_EQ(screen->Count(m_barColor, { 0, 0, edges[i], 3 }), edges[i] * 3);
        EXPECT_EQ(screen->Count(m_backColor, { edges[i], 0, kWidth, 3 }), (kWidth - edges[i]) * 3);
    }
}

TEST_F(TextProgressTest, TextIsDrawnInSwappedColoursAcrossTheEdge)
{
    m_bar.SetPos(50);   // edge at 113, through the middle of "50%"
    auto screen = Screen();
    RECT bar = { 0, 0, 113, kHeight };
    RECT rest = { 113, 0, kWidth, kHeight };
    const int barArea = 113 * kHeight;
    const int restArea = (kWidth - 113) * kHeight;
    int textOverBar = screen->Count(m_backColor, bar);
    int textOverRest = screen->Count(m_barColor, rest);
    EXPECT_GT(textOverBar, 0);
    EXPECT_GT(textOverRest, 0);
    // The text's pixels (whatever differs from the fill beneath) sit centred.
    int left = kWidth, right = -1, top = kHeight, bottom = -1;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (screen->At(x, y) != (x < 113 ? m_barColor : m_backColor)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_NEAR(left + right, kWidth - 1, 4);
    EXPECT_NEAR(top + bottom, kHeight - 1, 4);

    m_bar.SetTextVisible(FALSE);
    EXPECT_TRUE(RepaintPending());
    ::UpdateWindow(m_bar.m_hWnd);
    screen = Screen();
    EXPECT_EQ(screen->Count(m_barColor, bar), barArea);
    EXPECT_EQ(screen->Count(m_backColor, rest), restArea);
}

TEST_F(TextProgressTest, SameWidthDoesNotRepaint)
{
    m_bar.SetPos(29);
    PutMarker();
    m_bar.SetPos(29);
    EXPECT_TRUE(MarkerStillThere());
    m_bar.SetPos(30);   // 67 pixels
    EXPECT_FALSE(MarkerStillThere());
}

TEST_F(TextProgressTest, NarrowBarKeepsTheOldTextUntilTheWidthChanges)
{
    Resize(10);
    m_bar.SetPos(10);   // 1 pixel
    PutMarker();
    m_bar.SetPos(15);   // still 1 pixel
    EXPECT_TRUE(MarkerStillThere());
    m_bar.SetPos(20);   // 2 pixels
    EXPECT_FALSE(MarkerStillThere());
}

TEST_F(TextProgressTest, FirstSetPosAfterAResizeRepaints)
{
    m_bar.SetPos(0);   // no bar at any width
    Resize(200);
    PutMarker();
    m_bar.SetPos(0);
    EXPECT_FALSE(MarkerStillThere());
    PutMarker();
    m_bar.SetPos(0);
    EXPECT_TRUE(MarkerStillThere());
    m_bar.SetPos(40);
    auto screen = Screen();
    EXPECT_EQ(screen->Count(m_barColor, { 0, 0, 80, 3 }), 80 * 3);
    EXPECT_EQ(screen->At(80, 1), m_backColor);
}

TEST_F(TextProgressTest, PositionAboveTheRangeFillsTheWholeBar)
{
    m_bar.SetPos(150);
    auto screen = Screen();
    EXPECT_EQ(screen->Count(m_barColor, { 0, 0, kWidth, 3 }), kWidth * 3);
    EXPECT_EQ(screen->Count(m_backColor, { 0, 0, kWidth, kHeight }) > 0, true);   // "150%"
}

TEST_F(TextProgressTest, TemplateTextIsNotTheControlsText)
{
    EXPECT_EQ(Text(), L"");
    EXPECT_EQ(::GetWindowTextLengthW(m_bar.m_hWnd), 0);
}

TEST_F(TextProgressTest, OwnTextRepaintsOnlyWhenItChanges)
{
    ::SetWindowTextW(m_bar.m_hWnd, L"Busy");
    EXPECT_TRUE(RepaintPending());
    EXPECT_EQ(Text(), L"Busy");
    ::UpdateWindow(m_bar.m_hWnd);
    ::SetWindowTextW(m_bar.m_hWnd, L"Busy");
    EXPECT_FALSE(RepaintPending());
    ::SetWindowTextW(m_bar.m_hWnd, L"busy");   // case counts
    EXPECT_TRUE(RepaintPending());
    ::UpdateWindow(m_bar.m_hWnd);
    ::SendMessageW(m_bar.m_hWnd, WM_SETTEXT, 0, 0);   // null text: the percentage returns
    EXPECT_TRUE(RepaintPending());
    EXPECT_EQ(Text(), L"");
    ::UpdateWindow(m_bar.m_hWnd);
    ::SetWindowTextW(m_bar.m_hWnd, L"");
    EXPECT_FALSE(RepaintPending());
}

TEST_F(TextProgressTest, GetTextFollowsThePlatformContract)
{
    ::SetWindowTextA(m_bar.m_hWnd, "Hello");
    wchar_t buffer[8] = { L'x', L'x', L'x', L'x', L'x', L'x', L'x', L'x' };
    EXPECT_EQ(::SendMessageW(m_bar.m_hWnd, WM_GETTEXT, 3, reinterpret_cast<LPARAM>(buffer)), 2);
    EXPECT_EQ(std::wstring(buffer), L"He");
    EXPECT_EQ(buffer[3], L'x');
    buffer[0] = L'q';
    EXPECT_EQ(::SendMessageW(m_bar.m_hWnd, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 0);
    EXPECT_EQ(buffer[0], L'q');
    EXPECT_EQ(::SendMessageW(m_bar.m_hWnd, WM_GETTEXT, 8, reinterpret_cast<LPARAM>(buffer)), 5);
    char narrow[16] = {};
    EXPECT_EQ(::GetWindowTextA(m_bar.m_hWnd, narrow, 16), 5);
    EXPECT_STREQ(narrow, "Hello");
}

TEST_F(TextProgressTest, EraseDoesNothing)
{
    PixelCanvas canvas(4, 4, kMarker);
    EXPECT_EQ(::SendMessageW(m_bar.m_hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0), 1);
    EXPECT_EQ(canvas.At(0, 0), kMarker);
}

TEST_F(TextProgressTest, EmptyRangeCompletesThePaintWithAnEmptyBar)
{
    m_bar.SetPos(50);
    m_bar.SetRange(5, 5);
    EXPECT_EQ(m_bar.SetPos(7), 50);
    ::RedrawWindow(m_bar.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_FALSE(RepaintPending());
    auto screen = Screen();
    EXPECT_EQ(screen->Count(m_backColor, { 0, 0, kWidth, kHeight }), kWidth * kHeight);

    // An own text is still shown.
    ::SetWindowTextW(m_bar.m_hWnd, L"Waiting");
    ::UpdateWindow(m_bar.m_hWnd);
    EXPECT_GT(Screen()->Count(m_barColor, { 0, 0, kWidth, kHeight }), 0);
}

}  // namespace

// The preview window drawing real GDI+ pictures.
#include "C_MemDC.h"
#include "C_PreViewWnd.h"
#include "HostWindow.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <memory>
namespace Gdiplus {
using std::min;
using std::max;
}
#include <objidl.h>
#include <gdiplus.h>

namespace {

const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kMarker = RGB(1, 2, 3);

// A solid red picture of the given size, made in memory.
std::unique_ptr<Gdiplus::Bitmap> RedPicture(int width, int height)
{
    auto bitmap = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppRGB);
    Gdiplus::Graphics graphics(bitmap.get());
    graphics.Clear(Gdiplus::Color(255, 255, 0, 0));
    return bitmap;
}

class PreviewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&s_token, &input, nullptr);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(s_token); }

    // A preview whose client area is width x height (the sunken edge takes 2 pixels a side).
    void MakePreview(int width, int height, bool visible = false)
    {
        m_host = std::make_unique<HostWindow>(20, 20, 300, 300, visible);
        m_preview = std::make_unique<C_PreViewWnd>();
        HWND hWnd = m_host->CreateChildW(C_PreViewWnd::kClassName, L"Preview Window", WS_VISIBLE,
                                         1002, 10, 10, width + 4, height + 4);
        ASSERT_NE(hWnd, nullptr);
        ASSERT_TRUE(m_preview->SubclassWindow(hWnd));
    }

    // Draws the preview into a canvas of its client size through its erase handler.
    std::unique_ptr<PixelCanvas> Render(int width, int height)
    {
        auto canvas = std::make_unique<PixelCanvas>(width, height, kMarker);
        LRESULT erased = ::SendMessageW(m_preview->m_hWnd, WM_ERASEBKGND,
                                        reinterpret_cast<WPARAM>(canvas->dc()), 0);
        EXPECT_EQ(erased, TRUE);
        return canvas;
    }

    void TearDown() override
    {
        m_preview.reset();
        m_host.reset();
    }

    static ULONG_PTR s_token;
    std::unique_ptr<HostWindow> m_host;
    std::unique_ptr<C_PreViewWnd> m_preview;
};

ULONG_PTR PreviewTest::s_token = 0;

TEST_F(PreviewTest, AttachingAddsSunkenEdgeAndTransparency)
{
    MakePreview(100, 100);
    DWORD exStyle = static_cast<DWORD>(::GetWindowLongW(m_preview->m_hWnd, GWL_EXSTYLE));
    EXPECT_EQ(exStyle & 0x220u, 0x220u);
    RECT client;
    ::GetClientRect(m_preview->m_hWnd, &client);   // the new frame took effect
    EXPECT_EQ(client.right, 100);
    EXPECT_EQ(client.bottom, 100);
}

TEST_F(PreviewTest, WithoutPictureTheWholeAreaIsBackground)
{
    MakePreview(60, 40);
    auto white = Render(60, 40);
    EXPECT_EQ(white->Count(RGB(255, 255, 255), { 0, 0, 60, 40 }), 60 * 40);
    m_preview->m_crBackground = kBlue;
    auto blue = Render(60, 40);
    EXPECT_EQ(blue->Count(kBlue, { 0, 0, 60, 40 }), 60 * 40);
}

TEST_F(PreviewTest, WidePictureIsCentredVertically)
{
    MakePreview(100, 100);
    auto picture = RedPicture(200, 100);
    m_preview->m_crBackground = kBlue;
    m_preview->m_pImage = picture.get();
    auto canvas = Render(100, 100);
    // (0, 25) with size 100 x 50; the picture's own border rows may be blended.
    EXPECT_EQ(canvas->Count(kBlue, { 0, 0, 100, 24 }), 100 * 24);
    EXPECT_EQ(canvas->Count(kRed, { 2, 27, 98, 73 }), 96 * 46);
    EXPECT_EQ(canvas->Count(kBlue, { 0, 76, 100, 100 }), 100 * 24);
    EXPECT_EQ(canvas->Count(kMarker, { 0, 0, 100, 100 }), 0);
}

TEST_F(PreviewTest, SmallPictureIsEnlargedToFill)
{
    MakePreview(120, 120);
    auto picture = RedPicture(16, 16);
    m_preview->m_crBackground = kBlue;
    m_preview->m_pImage = picture.get();
    auto canvas = Render(120, 120);
    // Away from the border, which blends over one source pixel (7.5 pixels here).
    EXPECT_EQ(canvas->Count(kRed, { 8, 8, 112, 112 }), 104 * 104);
    EXPECT_EQ(canvas->Count(kBlue, { 0, 0, 120, 120 }), 0);
}

TEST_F(PreviewTest, UndecodableFileShowsOnlyTheBackground)
{
    char dir[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + "tessaline_not_a_picture.png";
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("this is not a picture", file);
    std::fclose(file);
    std::wstring widePath(path.begin(), path.end());
    Gdiplus::Bitmap broken(widePath.c_str());
    ::DeleteFileA(path.c_str());
    ASSERT_NE(broken.GetLastStatus(), Gdiplus::Ok);

    MakePreview(80, 60);
    m_preview->m_crBackground = kGreen;
    m_preview->m_pImage = &broken;
    auto canvas = Render(80, 60);
    EXPECT_EQ(canvas->Count(kGreen, { 0, 0, 80, 60 }), 80 * 60);
}

TEST_F(PreviewTest, EmptyClientAreaDrawsNothing)
{
    MakePreview(100, -4);   // no height at all
    RECT client;
    ::GetClientRect(m_preview->m_hWnd, &client);
    ASSERT_EQ(client.bottom, 0);
    auto picture = RedPicture(50, 50);
    m_preview->m_pImage = picture.get();
    auto canvas = Render(20, 20);
    EXPECT_EQ(canvas->Count(kMarker, { 0, 0, 20, 20 }), 20 * 20);
    ::RedrawWindow(m_preview->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

TEST_F(PreviewTest, OnScreenPaintDrawsPictureOnBackground)
{
    MakePreview(128, 128, true);
    auto picture = RedPicture(640, 480);
    m_preview->m_crBackground = kBlue;
    m_preview->m_pImage = picture.get();
    ::InvalidateRect(m_preview->m_hWnd, nullptr, TRUE);
    ::UpdateWindow(m_preview->m_hWnd);
    RECT update;
    EXPECT_FALSE(::GetUpdateRect(m_preview->m_hWnd, &update, FALSE));

    PixelCanvas screen(128, 128, kMarker);
    screen.CopyFromWindow(m_preview->m_hWnd);
    // (0, 16) with size 128 x 96.
    EXPECT_EQ(screen.Count(kBlue, { 0, 0, 128, 15 }), 128 * 15);
    EXPECT_EQ(screen.Count(kRed, { 2, 18, 126, 110 }), 124 * 92);
    EXPECT_EQ(screen.Count(kBlue, { 0, 113, 128, 128 }), 128 * 15);
}

TEST_F(PreviewTest, PartialRepaintKeepsThePicturesPlace)
{
    MakePreview(100, 100, true);
    auto picture = RedPicture(100, 200);   // columns 25 to 74
    m_preview->m_crBackground = kBlue;
    m_preview->m_pImage = picture.get();
    ::RedrawWindow(m_preview->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);

    // Only the lower right quarter is repainted, on a new background.
    m_preview->m_crBackground = kGreen;
    RECT quarter = { 50, 50, 100, 100 };
    ::RedrawWindow(m_preview->m_hWnd, &quarter, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);

    PixelCanvas screen(100, 100, kMarker);
    screen.CopyFromWindow(m_preview->m_hWnd);
    EXPECT_EQ(screen.Count(kBlue, { 0, 0, 24, 100 }), 24 * 100);        // untouched
    EXPECT_EQ(screen.Count(kRed, { 50, 50, 73, 98 }), 23 * 48);         // picture in place
    EXPECT_EQ(screen.Count(kGreen, { 76, 50, 100, 100 }), 24 * 50);     // new background
    EXPECT_EQ(screen.Count(kBlue, { 76, 0, 100, 50 }), 24 * 50);        // outside the repaint
}

TEST(MemDC, CopiesItsAreaToTheTargetOnlyAtTheEnd)
{
    PixelCanvas target(40, 30, kMarker);
    ::IntersectClipRect(target.dc(), 10, 5, 30, 25);
    CDC dc;
    dc.Attach(target.dc());
    {
        C_MemDC mem(&dc);
        EXPECT_TRUE(mem.IsOffScreen());
        EXPECT_EQ(mem.Area().left, 10);
        EXPECT_EQ(mem.Area().bottom, 25);
        // Starts in the window colour, drawn in the target's coordinates.
        EXPECT_EQ(::GetPixel(mem, 10, 5), ::GetSysColor(COLOR_WINDOW));
        RECT inner = { 12, 7, 14, 9 };
        mem.FillSolidRect(&inner, kRed);
        EXPECT_EQ(target.At(12, 7), kMarker);
    }
    dc.Detach();
    EXPECT_EQ(target.At(12, 7), kRed);
    EXPECT_EQ(target.At(10, 5), ::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(target.At(9, 5), kMarker);     // outside the clip box
    EXPECT_EQ(target.At(30, 25), kMarker);
}

TEST(MemDC, EmptyClipBoxDrawsStraightThroughAndLeavesTheTargetAsItWas)
{
    PixelCanvas target(20, 20, kMarker);
    HRGN empty = ::CreateRectRgn(0, 0, 0, 0);
    ::SelectClipRgn(target.dc(), empty);
    ::DeleteObject(empty);
    ::SetBkColor(target.dc(), kGreen);
    CDC dc;
    dc.Attach(target.dc());
    {
        C_MemDC mem(&dc);
        EXPECT_FALSE(mem.IsOffScreen());
        RECT all = { 0, 0, 20, 20 };
        mem.FillSolidRect(&all, kRed);
    }
    dc.Detach();
    EXPECT_EQ(target.Count(kMarker, { 0, 0, 20, 20 }), 400);
    EXPECT_EQ(::GetBkColor(target.dc()), kGreen);
}

}  // namespace

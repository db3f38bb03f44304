// The colour label and its brush.
#include "C_ColorStatic.h"
#include "ColorMath.h"
#include "HostWindow.h"
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

COLORREF BrushColor(HBRUSH brush)
{
    LOGBRUSH info = {};
    if (::GetObjectW(brush, sizeof info, &info) != sizeof info)
        return 0xFFFFFFFF;
    return info.lbColor;
}

TEST(InverseColor, TurnsEachComponentAround)
{
    EXPECT_EQ(InverseColor(0x00FFFFFF), 0x00000000u);
    EXPECT_EQ(InverseColor(0x000000FF), 0x00FFFF00u);   // red gives cyan
    EXPECT_EQ(InverseColor(RGB(128, 128, 128)), static_cast<COLORREF>(RGB(127, 127, 127)));
    EXPECT_EQ(InverseColor(RGB(10, 200, 30)), static_cast<COLORREF>(RGB(245, 55, 225)));
}

class ColorStaticTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HWND label = m_host.CreateChildA("STATIC", "(255, 255, 255)",
                                         WS_VISIBLE | SS_SUNKEN | SS_CENTER | SS_CENTERIMAGE,
                                         1007, 10, 10, 120, 30);
        ASSERT_NE(label, nullptr);
        ASSERT_TRUE(m_label.SubclassWindow(label));
    }

    // What the parent answers when the system is about to draw the label.
    HBRUSH AskParent(HDC dc)
    {
        return reinterpret_cast<HBRUSH>(::SendMessageW(m_host.m_hWnd, WM_CTLCOLORSTATIC,
            reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(m_label.m_hWnd)));
    }

    HostWindow m_host{ 20, 20, 160, 60, true };
    C_ColorStatic m_label;
};

TEST_F(ColorStaticTest, StartsInTheSystemColours)
{
    C_ColorStatic label;
    EXPECT_EQ(label.GetBkColor(), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(label.GetTextColor(), ::GetSysColor(COLOR_BTNTEXT));
    PixelCanvas canvas(4, 4, 0);
    CDC dc;
    dc.Attach(canvas.dc());
    HBRUSH brush = label.CtlColor(&dc, CTLCOLOR_STATIC);
    dc.Detach();
    EXPECT_EQ(BrushColor(brush), ::GetSysColor(COLOR_BTNFACE));
}

TEST_F(ColorStaticTest, ParentsColourRequestIsAnsweredByTheLabel)
{
    m_label.SetBkColor(RGB(255, 0, 0));
    m_label.SetTextColor(InverseColor(RGB(255, 0, 0)));
    PixelCanvas canvas(4, 4, 0);
    HBRUSH brush = AskParent(canvas.dc());
    ASSERT_NE(brush, nullptr);
    EXPECT_EQ(BrushColor(brush), static_cast<COLORREF>(RGB(255, 0, 0)));
    EXPECT_EQ(::GetTextColor(canvas.dc()), static_cast<COLORREF>(RGB(0, 255, 255)));
    EXPECT_EQ(::GetBkColor(canvas.dc()), static_cast<COLORREF>(RGB(255, 0, 0)));
}

TEST_F(ColorStaticTest, SystemColourValueStandsForTheSystemColours)
{
    m_label.SetBkColor(0xFFFFFFFF);
    EXPECT_EQ(m_label.GetBkColor(), ::GetSysColor(COLOR_BTNFACE));
    m_label.SetTextColor(0xFFFFFFFF);
    EXPECT_EQ(m_label.GetTextColor(), ::GetSysColor(COLOR_BTNTEXT));
    PixelCanvas canvas(4, 4, 0);
    EXPECT_EQ(BrushColor(AskParent(canvas.dc())), ::GetSysColor(COLOR_BTNFACE));
}

TEST_F(ColorStaticTest, NewColourReplacesTheBrushAndRepaints)
{
    PixelCanvas canvas(4, 4, 0);
    HBRUSH first = AskParent(canvas.dc());
    ::ValidateRect(m_label.m_hWnd, nullptr);
    m_label.SetBkColor(RGB(0, 0, 128));
    RECT update;
    EXPECT_TRUE(::GetUpdateRect(m_label.m_hWnd, &update, FALSE));
    HBRUSH second = AskParent(canvas.dc());
    EXPECT_EQ(BrushColor(second), static_cast<COLORREF>(RGB(0, 0, 128)));
    if (second != first) {
        EXPECT_EQ(::GetObjectType(first), 0u);   // the old brush is gone
    }
}

TEST_F(ColorStaticTest, ShowsItsColoursOnScreen)
{
    m_label.SetBkColor(RGB(255, 0, 0));
    m_label.SetTextColor(RGB(0, 255, 255));
    ::UpdateWindow(m_host.m_hWnd);
    PixelCanvas screen(120, 30, 0);
    screen.CopyFromWindow(m_label.m_hWnd);
    RECT client;
    ::GetClientRect(m_label.m_hWnd, &client);
    EXPECT_EQ(screen.At(client.right / 2, 1), static_cast<COLORREF>(RGB(255, 0, 0)));
    EXPECT_EQ(screen.At(2, client.bottom / 2), static_cast<COLORREF>(RGB(255, 0, 0)));
    EXPECT_GT(screen.Count(RGB(0, 255, 255), client), 0);   // the text
}

TEST_F(ColorStaticTest, BrushIsReleasedWhenTheWindowGoes)
{
    PixelCanvas canvas(4, 4, 0);
    HBRUSH brush = AskParent(canvas.dc());
    ASSERT_EQ(::GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
    ::DestroyWindow(m_label.m_hWnd);
    EXPECT_EQ(m_label.m_hWnd, nullptr);
    EXPECT_EQ(::GetObjectType(brush), 0u);
}

TEST_F(ColorStaticTest, WithoutABrushTheParentColoursTheLabel)
{
    PixelCanvas canvas(4, 4, 0);
    HWND window = m_host.CreateChildA("STATIC", "(0, 128, 0)", WS_VISIBLE, 1008, 10, 40, 120, 20);
    ASSERT_NE(window, nullptr);
    // Use up the process's GDI handles so that no brush can be made.
    std::vector<HBRUSH> hoard;
    for (int i = 0; i < 100000; ++i) {
        HBRUSH brush = ::CreateSolidBrush(RGB(i & 0xFF, 1, 2));
        if (!brush)
            break;
        hoard.push_back(brush);
    }
    const bool exhausted = hoard.size() < 100000;
    HBRUSH during = nullptr;
    std::unique_ptr<C_ColorStatic> label;
    if (exhausted) {
        label = std::make_unique<C_ColorStatic>();   // its brush cannot be made
        label->SubclassWindow(window);
        label->SetBkColor(RGB(0, 128, 0));
        during = reinterpret_cast<HBRUSH>(::SendMessageW(m_host.m_hWnd, WM_CTLCOLORSTATIC,
            reinterpret_cast<WPARAM>(canvas.dc()), reinterpret_cast<LPARAM>(window)));
    }
    for (HBRUSH brush : hoard)
        ::DeleteObject(brush);
    if (!exhausted)
        GTEST_SKIP() << "the system gave out every brush asked for";

    // The colour is kept; the parent's default brush stood in for the label's.
    EXPECT_EQ(label->GetBkColor(), static_cast<COLORREF>(RGB(0, 128, 0)));
    EXPECT_EQ(during, ::GetSysColorBrush(COLOR_BTNFACE));
    // Handles are free again: the label makes its brush at the next request.
    HBRUSH after = reinterpret_cast<HBRUSH>(::SendMessageW(m_host.m_hWnd, WM_CTLCOLORSTATIC,
        reinterpret_cast<WPARAM>(canvas.dc()), reinterpret_cast<LPARAM>(window)));
    EXPECT_EQ(BrushColor(after), static_cast<COLORREF>(RGB(0, 128, 0)));
    EXPECT_EQ(::GetTextColor(canvas.dc()), label->GetTextColor());
}

}  // namespace

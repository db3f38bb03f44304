// The owner-drawn, centred drop-down list.
#include "C_CenterComboBox.h"
#include "HostWindow.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>

namespace {

const COLORREF kFieldBack = RGB(250, 240, 200);
const COLORREF kFieldText = RGB(10, 20, 30);

TEST(CompareItemText, ComparesBytesAsUnsigned)
{
    EXPECT_EQ(CompareItemText("APM", "MDM"), -1);
    EXPECT_EQ(CompareItemText("MDM", "APM"), 1);
    EXPECT_EQ(CompareItemText("APM", "APM"), 0);
    EXPECT_EQ(CompareItemText("a", "B"), 1);               // case-sensitive, no locale
    EXPECT_EQ(CompareItemText("\xE9", "z"), 1);            // 0xE9 above 0x7A
    EXPECT_EQ(CompareItemText("128", "128 * 128"), -1);    // a prefix sorts first
    EXPECT_EQ(CompareItemText("", ""), 0);
}

class CenterComboTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HWND combo = m_host.CreateChildA("COMBOBOX", "", WS_VISIBLE | WS_VSCROLL | WS_TABSTOP
                                         | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
                                         1028, 10, 10, 120, 120);
        ASSERT_NE(combo, nullptr);
        ASSERT_TRUE(m_combo.SubclassWindow(combo));
        m_combo.AddString("APM");
        m_combo.AddString("MDM");
    }

    // Draws item id into a 100 x 20 canvas set up as the system sets the context.
    void Draw(PixelCanvas& canvas, UINT id, UINT state)
    {
        ::SetTextColor(canvas.dc(), kFieldText);
        ::SetBkColor(canvas.dc(), kFieldBack);
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_COMBOBOX;
        item.CtlID = 1028;
        item.itemID = id;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hwndItem = m_combo.m_hWnd;
        item.hDC = canvas.dc();
        item.rcItem = { 0, 0, 100, 20 };
        // Through the parent, as the system asks for it.
        LRESULT handled = ::SendMessageW(m_host.m_hWnd, WM_DRAWITEM, 1028, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(handled, TRUE);
        // The context's colours are given back.
        EXPECT_EQ(::GetTextColor(canvas.dc()), kFieldText);
        EXPECT_EQ(::GetBkColor(canvas.dc()), kFieldBack);
    }

    // The horizontal and vertical middle of the pixels of this colour, doubled.
    static POINT DoubledCentre(const PixelCanvas& canvas, COLORREF color)
    {
        int left = 100, right = -1, top = 20, bottom = -1;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 100; ++x)
                if (canvas.At(x, y) == color) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        return { left + right, top + bottom };
    }

    HostWindow m_host{ 20, 20, 200, 160, true };
    C_CenterComboBox m_combo;
};

TEST_F(CenterComboTest, SelectedItemIsCentredInHighlightColours)
{
    PixelCanvas canvas(100, 20, 0);
    Draw(canvas, 1, ODS_SELECTED | ODS_FOCUS);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF text = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    EXPECT_EQ(canvas.At(0, 0), highlight);
    EXPECT_EQ(canvas.At(99, 19), highlight);
    ASSERT_GT(canvas.Count(text, { 0, 0, 100, 20 }), 0);
    POINT centre = DoubledCentre(canvas, text);
    EXPECT_NEAR(centre.x, 99, 3);
    EXPECT_NEAR(centre.y, 19, 4);
    // No focus rectangle: the border rows hold only the fill.
    EXPECT_EQ(canvas.Count(highlight, { 0, 0, 100, 1 }), 100);
    EXPECT_EQ(canvas.Count(highlight, { 0, 19, 100, 20 }), 100);
}

TEST_F(CenterComboTest, PlainItemUsesTheContextsColours)
{
    PixelCanvas canvas(100, 20, 0);
    Draw(canvas, 0, 0);
    EXPECT_EQ(canvas.At(0, 0), kFieldBack);
    EXPECT_GT(canvas.Count(kFieldText, { 0, 0, 100, 20 }), 0);
    EXPECT_EQ(canvas.Count(::GetSysColor(COLOR_HIGHLIGHT), { 0, 0, 100, 20 }), 0);
}

TEST_F(CenterComboTest, DisabledItemIsGreyAndSelectionComesFirst)
{
    PixelCanvas grey(100, 20, 0);
    Draw(grey, 0, ODS_DISABLED);
    EXPECT_EQ(grey.At(0, 0), kFieldBack);
    EXPECT_GT(grey.Count(::GetSysColor(COLOR_GRAYTEXT), { 0, 0, 100, 20 }), 0);
    EXPECT_EQ(grey.Count(kFieldText, { 0, 0, 100, 20 }), 0);

    PixelCanvas both(100, 20, 0);
    Draw(both, 0, ODS_DISABLED | ODS_SELECTED);
    EXPECT_EQ(both.At(0, 0), ::GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_GT(both.Count(::GetSysColor(COLOR_HIGHLIGHTTEXT), { 0, 0, 100, 20 }), 0);
}

TEST_F(CenterComboTest, EmptySelectionDrawsAnEmptyField)
{
    PixelCanvas canvas(100, 20, 0);
    Draw(canvas, static_cast<UINT>(-1), ODS_COMBOBOXEDIT);
    EXPECT_EQ(canvas.Count(kFieldBack, { 0, 0, 100, 20 }), 2000);
}

TEST_F(CenterComboTest, LongItemTextIsReadWhole)
{
    std::string longText(300, 'W');
    longText += "END";
    m_combo.AddString(longText.c_str());
    EXPECT_EQ(m_combo.ItemText(2), longText);
    EXPECT_EQ(m_combo.ItemText(7), "");
    EXPECT_EQ(m_combo.ItemText(-1), "");
    PixelCanvas canvas(100, 20, 0);
    Draw(canvas, 2, 0);   // must stay within its buffers
}

TEST_F(CenterComboTest, MeasuresItemsInTheListsOwnContext)
{
    MEASUREITEMSTRUCT item = {};
    item.CtlType = ODT_COMBOBOX;
    item.CtlID = 1028;
    item.itemID = static_cast<UINT>(-1);
    item.itemHeight = 77;
    ::SendMessageW(m_host.m_hWnd, WM_MEASUREITEM, 1028, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.itemHeight, 77u);   // the selection field is left alone

    HDC dc = ::GetDC(m_combo.m_hWnd);
    SIZE size = {};
    ::GetTextExtentPoint32A(dc, "MDM", 3, &size);
    ::ReleaseDC(m_combo.m_hWnd, dc);
    ASSERT_GT(size.cy, 0);
    item.itemID = 1;
    ::SendMessageW(m_host.m_hWnd, WM_MEASUREITEM, 1028, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.itemHeight, static_cast<UINT>(size.cy));
}

TEST_F(CenterComboTest, CompareRequestIsAnsweredByTheList)
{
    COMPAREITEMSTRUCT item = {};
    item.CtlType = ODT_COMBOBOX;
    item.CtlID = 1028;
    item.hwndItem = m_combo.m_hWnd;
    item.itemID1 = 0;
    item.itemID2 = 1;
    auto compare = [&] {
        return static_cast<int>(::SendMessageW(m_host.m_hWnd, WM_COMPAREITEM, 1028,
                                               reinterpret_cast<LPARAM>(&item)));
    };
    EXPECT_EQ(compare(), -1);
    item.itemID1 = 1;
    item.itemID2 = 0;
    EXPECT_EQ(compare(), 1);
    item.itemID2 = 1;
    EXPECT_EQ(compare(), 0);
}

}  // namespace

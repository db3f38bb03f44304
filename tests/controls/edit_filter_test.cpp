// The numeric fields' character rules, on the filters and on real edit controls.
#include "C_DecEdit.h"
#include "C_HexEdit.h"
#include "EditFilters.h"
#include "HostWindow.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <utility>

namespace {

struct FilterCase {
    const char* input;
    const char* decimal;
    const char* hex;
};

const FilterCase kCases[] = {
    { "", "", "" },
    { "1234", "1234", "1234" },
    { "0x1f", "01", "01F" },
    { "12ab", "12", "12AB" },
    { "-42", "42", "42" },
    { "1 2.5", "125", "125" },
    { "ABCDEF", "", "ABCDEF" },
    { "abcdefg", "", "ABCDEF" },
    { "\x81\x41", "", "A" },        // double-byte character, trail byte "A"
    { "\xB0\x62", "", "B" },        // trail byte "b"
    { "\xD6\xD0\xCE\xC4" "7", "7", "7" },
    { "00000000", "00000000", "00000000" },
};

TEST(EditFilters, KeepOnlyTheirDigitsInOrder)
{
    for (const FilterCase& c : kCases) {
        SCOPED_TRACE(c.input);
        bool changed = true;
        EXPECT_EQ(FilterDecimal(c.input, &changed), c.decimal);
        EXPECT_EQ(changed, std::string(c.input) != c.decimal);
        EXPECT_EQ(FilterHex(c.input, &changed), c.hex);
        EXPECT_EQ(changed, std::string(c.input) != c.hex);
    }
}

TEST(EditFilters, JudgeEveryByteAlone)
{
    for (int b = 1; b < 256; ++b) {
        SCOPED_TRACE(b);
        const std::string one(1, static_cast<char>(b));
        const bool digit = b >= '0' && b <= '9';
        const bool upper = b >= 'A' && b <= 'F';
        const bool lower = b >= 'a' && b <= 'f';
        bool changed = false;
        EXPECT_EQ(FilterDecimal(one, &changed), digit ? one : "");
        EXPECT_EQ(changed, !digit);
        std::string hex = FilterHex(one, &changed);
        EXPECT_EQ(hex, digit || upper ? one : lower ? std::string(1, static_cast<char>(b - 0x20)) : "");
        EXPECT_EQ(changed, !(digit || upper));
    }
}

TEST(EditFilters, SecondPassChangesNothingAndNeverLengthens)
{
    for (const FilterCase& c : kCases) {
        SCOPED_TRACE(c.input);
        bool changed = true;
        std::string once = FilterHex(c.input, nullptr);
        EXPECT_EQ(FilterHex(once, &changed), once);
        EXPECT_FALSE(changed);
        EXPECT_LE(once.size(), std::string(c.input).size());
        once = FilterDecimal(c.input, nullptr);
        EXPECT_EQ(FilterDecimal(once, &changed), once);
        EXPECT_FALSE(changed);
    }
}

// Counts the WM_SETTEXT messages that reach a field, its own rewrites included.
WNDPROC g_nextProc = nullptr;
int g_setTexts = 0;
LRESULT CALLBACK CountSetText(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SETTEXT)
        ++g_setTexts;
    return ::CallWindowProcW(g_nextProc, hWnd, msg, wParam, lParam);
}

template <class Field>
class FieldTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HWND edit = m_host.CreateChildA("EDIT", "", WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_CENTER
                                        | ES_AUTOHSCROLL, 1026, 10, 10, 120, 24);
        ASSERT_NE(edit, nullptr);
        ASSERT_TRUE(m_field.SubclassWindow(edit));
        g_setTexts = 0;
        g_nextProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
            edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountSetText)));
    }

    std::string Text() const { return m_field.GetWindowTextA(); }
    std::pair<int, int> Selection() const
    {
        DWORD start = 0, end = 0;
        ::SendMessageW(m_field.m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                       reinterpret_cast<LPARAM>(&end));
        return { static_cast<int>(start), static_cast<int>(end) };
    }
    void Type(char c) { ::SendMessageA(m_field.m_hWnd, WM_CHAR, static_cast<unsigned char>(c), 1); }
    void Paste(const char* text)
    {
        ::SendMessageA(m_field.m_hWnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    }

    HostWindow m_host{ 0, 0, 200, 60, false };
    Field m_field;
};

using HexEditTest = FieldTest<C_HexEdit>;
using DecEditTest = FieldTest<C_DecEdit>;
using Sel = std::pair<int, int>;

TEST_F(HexEditTest, ProgramTextIsFilteredWithCaretAtTheEnd)
{
    m_field.SetWindowText("0x1f");
    EXPECT_EQ(Text(), "01F");
    EXPECT_EQ(Selection(), Sel(3, 3));
    EXPECT_EQ(g_setTexts, 2);   // the program's text and the one rewrite
    EXPECT_EQ(m_host.m_updatesSeen, 0);
}

TEST_F(HexEditTest, AdmissibleProgramTextIsNotSetAgain)
{
    m_field.SetWindowText("00000000");
    EXPECT_EQ(Text(), "00000000");
    EXPECT_EQ(g_setTexts, 1);
    m_field.SetWindowText("DEADBEEF");
    EXPECT_EQ(Text(), "DEADBEEF");
    EXPECT_EQ(g_setTexts, 2);
    EXPECT_EQ(m_host.m_updatesSeen, 0);
}

TEST_F(HexEditTest, TypedLowerCaseBecomesUpperCase)
{
    Type('a');
    EXPECT_EQ(Text(), "A");
    EXPECT_EQ(Selection(), Sel(1, 1));
}

TEST_F(HexEditTest, PastesKeepTheirHexDigits)
{
    Paste("0x1f");
    EXPECT_EQ(Text(), "01F");
    EXPECT_EQ(Selection(), Sel(3, 3));
    m_field.SetWindowText("");
    Paste("12ab");
    EXPECT_EQ(Text(), "12AB");
    EXPECT_EQ(Selection(), Sel(4, 4));
}

TEST_F(HexEditTest, DoubleByteCharactersLeaveAdmissibleTrailBytes)
{
    m_field.SetWindowText("\x81\x41");
    EXPECT_EQ(Text(), "A");
    m_field.SetWindowText("\xB0\x62" "1");
    EXPECT_EQ(Text(), "B1");
    EXPECT_EQ(Selection(), Sel(2, 2));
}

TEST_F(HexEditTest, LimitStillHoldsAfterUpperCasing)
{
    m_field.LimitText(8);
    m_field.SetWindowText("0000000");
    m_field.SetSel(7, 7);
    Type('f');
    Type('e');   // beyond the limit
    EXPECT_EQ(Text(), "0000000F");
}

TEST_F(DecEditTest, RejectedCharacterMovesCaretToTheEnd)
{
    m_field.SetWindowText("1234");
    m_field.SetSel(2, 2);
    Type('x');
    EXPECT_EQ(Text(), "1234");
    EXPECT_EQ(Selection(), Sel(4, 4));
}

TEST_F(DecEditTest, AdmissibleTypingLeavesCaretWhereTheUserPutIt)
{
    m_field.SetWindowText("1234");
    int before = g_setTexts;
    m_field.SetSel(2, 2);
    Type('5');
    EXPECT_EQ(Text(), "12534");
    EXPECT_EQ(Selection(), Sel(3, 3));
    EXPECT_EQ(g_setTexts, before);
    m_field.SetSel(1, 3);
    EXPECT_EQ(Selection(), Sel(1, 3));
}

TEST_F(DecEditTest, PastesKeepTheirDecimalDigits)
{
    Paste("12ab");
    EXPECT_EQ(Text(), "12");
    EXPECT_EQ(Selection(), Sel(2, 2));
    Paste("-3.5 ");
    EXPECT_EQ(Text(), "1235");
}

TEST_F(DecEditTest, NegativeNumberLosesItsMinusSign)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", -8000);
    m_field.SetWindowText(text);
    EXPECT_EQ(Text(), "8000");
    EXPECT_EQ(Selection(), Sel(4, 4));
    EXPECT_EQ(m_host.m_updatesSeen, 0);
}

TEST_F(DecEditTest, EmptyFieldIsLeftAlone)
{
    m_field.SetWindowText("");
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(g_setTexts, 1);
}

TEST(EditFieldWithoutObject, ParentSeesTheUpdateOfAPlainField)
{
    // The counting host itself: an unfiltered field's EN_UPDATE reaches it.
    HostWindow host(0, 0, 200, 60, false);
    HWND edit = host.CreateChildA("EDIT", "", ES_AUTOHSCROLL, 1025, 10, 10, 120, 24);
    ::SetWindowTextA(edit, "x");
    EXPECT_EQ(host.m_updatesSeen, 1);
}

}  // namespace

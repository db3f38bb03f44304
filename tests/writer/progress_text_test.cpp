// The progress bar's percentage text and bar width.
#include "ProgressText.h"
#include <gtest/gtest.h>
#include <climits>
#include <string>

namespace {

TEST(ProgressPercentText, ReadsThePositionSaveForThreeTruncatedValues)
{
    for (int p = 0; p <= 100; ++p) {
        int shown = p == 29 ? 28 : p == 57 ? 56 : p == 58 ? 57 : p;
        EXPECT_EQ(ProgressPercentText(p, 0, 100), std::to_string(shown) + "%") << p;
    }
}

TEST(ProgressPercentText, OtherRangesAndPositionsOutsideThem)
{
    EXPECT_EQ(ProgressPercentText(150, 0, 100), "150%");
    EXPECT_EQ(ProgressPercentText(-10, 0, 100), "-10%");
    EXPECT_EQ(ProgressPercentText(3, 1, 5), "50%");
    EXPECT_EQ(ProgressPercentText(-50, -100, 0), "50%");
    EXPECT_EQ(ProgressPercentText(INT_MAX, INT_MIN, INT_MAX), "100%");
    EXPECT_EQ(ProgressPercentText(INT_MIN, INT_MIN, INT_MAX), "0%");
    EXPECT_EQ(ProgressPercentText(INT_MAX, 0, 1), std::to_string(INT_MAX) + "%");
}

TEST(ProgressPercentText, EmptyRangeHasNoPercentage)
{
    EXPECT_EQ(ProgressPercentText(5, 5, 5), "");
    EXPECT_EQ(ProgressPercentText(0, 10, 0), "");
}

TEST(ProgressBarWidth, TruncatesTheFilledWidth)
{
    const int positions[] = { 0, 29, 40, 81, 100 };
    const int widths[] = { 0, 65, 90, 183, 226 };
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(ProgressBarWidth(226, positions[i], 0, 100), widths[i]) << positions[i];
}

TEST(ProgressBarWidth, OutsideTheRangeAndEmptyRanges)
{
    EXPECT_EQ(ProgressBarWidth(226, 150, 0, 100), 339);
    EXPECT_EQ(ProgressBarWidth(226, -10, 0, 100), -22);
    EXPECT_EQ(ProgressBarWidth(226, 50, 50, 50), 0);
    EXPECT_EQ(ProgressBarWidth(226, 50, 100, 0), 0);
    EXPECT_EQ(ProgressBarWidth(1000, INT_MAX, 0, 1), INT_MAX);
    EXPECT_EQ(ProgressBarWidth(1000, INT_MIN, 0, 1), INT_MIN);
    // Few pixels: neighbouring positions share a width.
    EXPECT_EQ(ProgressBarWidth(10, 10, 0, 100), 1);
    EXPECT_EQ(ProgressBarWidth(10, 19, 0, 100), 1);
    EXPECT_EQ(ProgressBarWidth(10, 20, 0, 100), 2);
}

TEST(ProgressFraction, IsTakenInDoublePrecision)
{
    EXPECT_DOUBLE_EQ(ProgressFraction(29, 0, 100), 0.29);
    EXPECT_DOUBLE_EQ(ProgressFraction(INT_MAX, INT_MIN, INT_MAX), 1.0);
    EXPECT_EQ(ProgressFraction(1, 1, 1), 0.0);
}

}  // namespace

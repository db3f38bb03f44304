// The main window's size rule.
#include "WindowLayout.h"
#include <gtest/gtest.h>

namespace {

TEST(WindowLayoutTest, DesignedSizeScalesWithTheDpi)
{
    struct Case { int dpi, width, height; } cases[] = {
        { 96, 450, 380 }, { 120, 563, 475 }, { 144, 675, 570 }, { 192, 900, 760 },
    };
    for (const Case& c : cases) {
        layout::Extent size = layout::MainWindowSize(c.dpi, { 6, 25 }, { 300, 300 }, 12);
        EXPECT_EQ(c.width, size.width) << c.dpi;
        EXPECT_EQ(c.height, size.height) << c.dpi;
    }
}

TEST(WindowLayoutTest, GrowsOnlyWhereContentIsOutAndThenKeepsTheMarginBeyondIt)
{
    struct Case { int dpi; layout::Extent frame, content; int margin; layout::Extent expected; } cases[] = {
        // just fits: the designed size, even without room for the margin
        { 96, { 6, 25 }, { 444, 355 }, 12, { 450, 380 } },
        // the result label 11 pixels below the client area
        { 96, { 6, 25 }, { 434, 366 }, 12, { 450, 403 } },
        // the panel's right edge 2 pixels beyond it
        { 96, { 6, 25 }, { 446, 300 }, 12, { 464, 380 } },
        { 144, { 8, 36 }, { 700, 560 }, 18, { 726, 614 } },
    };
    for (const Case& c : cases) {
        layout::Extent size = layout::MainWindowSize(c.dpi, c.frame, c.content, c.margin);
        EXPECT_EQ(c.expected.width, size.width) << c.content.width;
        EXPECT_EQ(c.expected.height, size.height) << c.content.height;
    }
}

}  // namespace

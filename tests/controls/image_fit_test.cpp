// Where the preview puts a picture.
#include "ImageFit.h"
#include <gtest/gtest.h>

namespace {

struct FitCase {
    int windowWidth, windowHeight;
    unsigned imageWidth, imageHeight;
    FitRect expected;
};

const FitCase kFits[] = {
    { 100, 100, 200, 100, { 0, 25, 100, 50 } },
    { 100, 100, 100, 200, { 25, 0, 50, 100 } },
    { 128, 128, 640, 480, { 0, 16, 128, 96 } },
    { 128, 128, 480, 640, { 16, 0, 96, 128 } },
    { 120, 120, 16, 16, { 0, 0, 120, 120 } },       // equal ratios: full width
    { 250, 160, 128, 128, { 45, 0, 160, 160 } },
    { 101, 100, 100, 100, { 0, 0, 100, 100 } },     // spare column on the right
    { 300, 200, 640, 427, { 0, 0, 299, 200 } },     // 299.77 cut to 299
    { 100, 101, 100, 100, { 0, 0, 100, 100 } },     // spare row at the bottom
    { 300, 200, 600, 400, { 0, 0, 300, 200 } },
    { 1, 1, 1, 4000000000u, { 0, 0, 0, 1 } },
};

TEST(AspectFit, PlacesPicturesAsTheTableSays)
{
    for (const FitCase& c : kFits) {
        SCOPED_TRACE(testing::Message() << c.imageWidth << "x" << c.imageHeight << " in "
                                        << c.windowWidth << "x" << c.windowHeight);
        FitRect fit = AspectFit(c.windowWidth, c.windowHeight, c.imageWidth, c.imageHeight);
        EXPECT_EQ(fit.x, c.expected.x);
        EXPECT_EQ(fit.y, c.expected.y);
        EXPECT_EQ(fit.width, c.expected.width);
        EXPECT_EQ(fit.height, c.expected.height);
    }
}

TEST(AspectFit, NothingToDrawForAnEmptyWindowOrPicture)
{
    const int sizes[][4] = { { 0, 100, 10, 10 }, { 100, 0, 10, 10 }, { -5, 100, 10, 10 },
                             { 100, 100, 0, 10 }, { 100, 100, 10, 0 }, { 100, 100, 0, 0 } };
    for (const auto& s : sizes) {
        FitRect fit = AspectFit(s[0], s[1], static_cast<unsigned>(s[2]), static_cast<unsigned>(s[3]));
        EXPECT_EQ(fit.width, 0);
        EXPECT_EQ(fit.height, 0);
    }
}

}  // namespace

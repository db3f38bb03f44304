// The Writer dialog's arithmetic: codes, names, ranges, blocks and progress.
#include "WriterPlan.h"
#include "ProgressText.h"
#include <gtest/gtest.h>

namespace {

TEST(WriterDialogPlan, FlashTypeIndexGivesTheDriversCode)
{
    EXPECT_EQ(5, FlashTypeCode(0));
    EXPECT_EQ(4, FlashTypeCode(1));
    EXPECT_EQ(6, FlashTypeCode(2));
    EXPECT_EQ(0, FlashTypeCode(3));
    EXPECT_EQ(0, FlashTypeCode(-1));
}

TEST(WriterDialogPlan, FileNameIsThePartAfterTheLastBackslash)
{
    EXPECT_EQ("PackedImageFile.bin", FileNameOf("C:\\Users\\me\\Temp\\PackedImageFile.bin"));
    EXPECT_EQ("image.bin", FileNameOf("image.bin"));
    EXPECT_EQ("a/b.bin", FileNameOf("a/b.bin")) << "only backslashes separate";
    EXPECT_EQ("", FileNameOf("C:\\dir\\"));
    EXPECT_EQ("", FileNameOf(""));
}

TEST(WriterDialogPlan, WaitTextNamesTheFile)
{
    EXPECT_EQ("Wait USB device to download x.bin...",
              FormatWithText("Wait USB device to download %s...", "x.bin"));
    EXPECT_EQ("Wait USB device to download 100%s.bin...",
              FormatWithText("Wait USB device to download %s...", "100%s.bin"))
        << "the name is text, not a format";
    EXPECT_EQ("no conversion", FormatWithText("no conversion", "x"));
}

TEST(WriterDialogPlan, RangeMayEndExactlyAtTheTopOfTheAddressSpace)
{
    EXPECT_TRUE(WriteRangeFits(0, 40000));
    EXPECT_TRUE(WriteRangeFits(0, 0x100000000ull));
    EXPECT_TRUE(WriteRangeFits(0xFFFFC000u, 0x4000));
    EXPECT_FALSE(WriteRangeFits(0xFFFFC000u, 0x4001));
    EXPECT_FALSE(WriteRangeFits(0, 0x100000001ull));
    EXPECT_TRUE(WriteRangeFits(0xFFFFFFFFu, 0));
}

TEST(WriterDialogPlan, PiecesAreFullBlocksThenTheRest)
{
    EXPECT_EQ(16384u, WriterPieceBytes(40000));
    EXPECT_EQ(16384u, WriterPieceBytes(16384));
    EXPECT_EQ(7232u, WriterPieceBytes(7232));
    EXPECT_EQ(0u, WriterPieceBytes(0));
}

TEST(WriterDialogPlan, PercentIsRoundedDownAndItsTextAsTheBarShowsIt)
{
    EXPECT_EQ(0, WriterPercent(0, 40000));
    EXPECT_EQ(40, WriterPercent(16384, 40000));
    EXPECT_EQ(81, WriterPercent(32768, 40000));
    EXPECT_EQ(100, WriterPercent(40000, 40000));
    EXPECT_EQ("40%", ProgressPercentText(WriterPercent(16384, 40000), 0, 100));
    EXPECT_EQ("81%", ProgressPercentText(WriterPercent(32768, 40000), 0, 100));
    EXPECT_EQ("100%", ProgressPercentText(WriterPercent(40000, 40000), 0, 100));
}

TEST(WriterDialogPlan, PercentDoesNotWrapForLargeFiles)
{
    // 32-bit arithmetic is exact only up to 42949672 bytes.
    EXPECT_EQ(50, WriterPercent(50000000u, 100000000u));
    EXPECT_EQ(100, WriterPercent(0xFFFFFFFFu, 0xFFFFFFFFu));
    EXPECT_EQ(99, WriterPercent(0xFFFFFFFEu, 0xFFFFFFFFu));
}

TEST(WriterDialogPlan, EmptyFileShowsAnEmptyBar)
{
    EXPECT_EQ(0, WriterPercent(0, 0));
    EXPECT_EQ(0u, WriterRemain(0, 0));
}

TEST(WriterDialogPlan, RemainNeverWrapsBelowZero)
{
    EXPECT_EQ(23616u, WriterRemain(16384, 40000));
    EXPECT_EQ(0u, WriterRemain(40000, 40000));
    EXPECT_EQ(0u, WriterRemain(40001, 40000));
}

TEST(WriterDialogPlan, LabelNumbersAreDecimal)
{
    EXPECT_EQ("0", DecimalText(0));
    EXPECT_EQ("40000", DecimalText(40000));
    EXPECT_EQ("4294967295", DecimalText(0xFFFFFFFFu));
}

}  // namespace

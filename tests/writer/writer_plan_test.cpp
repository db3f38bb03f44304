// The Writer dialog's arithmetic: codes, names, ranges, blocks and progress.
#include "FlashRange.h"
#include "FlashTypes.h"
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
    EXPECT_EQ(L"Wait USB device to download x.bin...",
              FormatWithText(L"Wait USB device to download %s...", L"x.bin"));
    EXPECT_EQ(L"Wait USB device to download 100%s.bin...",
              FormatWithText(L"Wait USB device to download %s...", L"100%s.bin"))
        << "the name is text, not a format";
    EXPECT_EQ(L"no conversion", FormatWithText(L"no conversion", L"x"));
}

TEST(WriterDialogPlan, RangeEndsWithinTheFlashOrTheAddressSpace)
{
    const struct {
        uint32_t start;
        uint64_t length, flashBytes;
        FlashRange expected;
    } cases[] = {
        { 0, 40000, 0, FlashRange::fits },
        { 0xFFFFC000u, 0x4000, 0, FlashRange::fits },
        { 0xFFFFFFFFu, 0, 0, FlashRange::fits },
        { 0xFFFFC000u, 0x4001, 0, FlashRange::pastAddressSpace },
        { 0, 0x100000000ull, 0, FlashRange::pastAddressSpace },   // no 32-bit length
        { 0, 0xFFFFFFFFFFFFFFFFull, 0, FlashRange::pastAddressSpace },
        { 0x3C0000, 0x40000, 0x400000, FlashRange::fits },         // ends on the last byte of 32M
        { 0x3C0002, 0x40000, 0x400000, FlashRange::pastFlashEnd },
        { 0xFFFFC000u, 0x8000, 0x400000, FlashRange::pastAddressSpace },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, CheckFlashRange(c.start, c.length, c.flashBytes)) << std::hex << c.start << " " << c.length;
    EXPECT_EQ("image does not fit the 32M flash: 262144 bytes from address 0x003C0002 end at 0x00400002, past its "
              "end at 0x00400000",
              FlashRangeText(FlashRange::pastFlashEnd, 0x3C0002, 0x40000, 0x400000, "32M"));
    EXPECT_EQ("image runs past the end of the flash address space: 32769 bytes from address 0xFFFF8000",
              FlashRangeText(FlashRange::pastAddressSpace, 0xFFFF8000u, 0x8001, 0, ""));
    EXPECT_EQ(L"Image runs past.", RefusalSentence("image runs past"));
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

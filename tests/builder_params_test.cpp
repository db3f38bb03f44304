// The builder parameters' conversions between field texts, numbers and the store.
#include "BuilderParams.h"
#include <gtest/gtest.h>

namespace {

TEST(BuilderParamsTest, HexReadsDigitsUntilTheFirstOtherCharacter)
{
    uint32_t value = 99;
    EXPECT_EQ(1, ParseHex("", &value));
    EXPECT_EQ(0u, value);
    EXPECT_EQ(1, ParseHex("00001000", &value));
    EXPECT_EQ(0x1000u, value);
    EXPECT_EQ(1, ParseHex("aBcDeF09", &value));
    EXPECT_EQ(0xABCDEF09u, value);
    EXPECT_EQ(0, ParseHex("12G4", &value));
    EXPECT_EQ(0x12u, value);
    EXPECT_EQ(0, ParseHex(" 1", &value));
    EXPECT_EQ(0u, value);
}

TEST(BuilderParamsTest, DecimalTakesBlanksSignAndLeadingDigits)
{
    EXPECT_EQ(0, ParseDecimal(""));
    EXPECT_EQ(8000, ParseDecimal("8000"));
    EXPECT_EQ(6144000, ParseDecimal("  6144000"));
    EXPECT_EQ(-12, ParseDecimal("-12x5"));
    EXPECT_EQ(7, ParseDecimal("+7"));
    EXPECT_EQ(0, ParseDecimal("abc"));
    EXPECT_EQ(2147483647, ParseDecimal("99999999999"));
}

TEST(BuilderParamsTest, ColourPacksRedLowAndDropsTheTopByte)
{
    EXPECT_EQ(0xFFFFFFu, PackColor(255, 255, 255));
    EXPECT_EQ(0xFF8000u, PackColor(0, 128, 255));
    uint8_t r, g, b;
    SplitColor(0x12345678, &r, &g, &b);
    EXPECT_EQ(0x78, r);
    EXPECT_EQ(0x56, g);
    EXPECT_EQ(0x34, b);
    EXPECT_EQ("(120, 86, 52)", FormatColor(r, g, b));
}

TEST(BuilderParamsTest, FieldTextsAndKeys)
{
    EXPECT_EQ("00000000", FormatHex8(0));
    EXPECT_EQ("0000ABCD", FormatHex8(0xABCD));
    EXPECT_EQ("-5", FormatDecimal(-5));
    EXPECT_EQ("File0", FileKey(0));
    EXPECT_EQ("File65534", FileKey(65534));
    EXPECT_EQ(0, StoredEntriesToRead(-3));
    EXPECT_EQ(0, StoredEntriesToRead(0));
    EXPECT_EQ(3, StoredEntriesToRead(3));
    EXPECT_EQ(65535, StoredEntriesToRead(65535));
    EXPECT_EQ(65535, StoredEntriesToRead(70000));
}

}  // namespace

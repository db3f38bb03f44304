// The status panel's lines, character for character.
#include "Capacities.h"
#include "StatusLine.h"
#include "Texts.h"
#include <gtest/gtest.h>

namespace {

TEST(CapacityTest, BitsDoubleFromTwoMegabitsAtEachPosition)
{
    const int expected[] = { 2097152, 4194304, 8388608, 16777216, 33554432, 67108864 };
    for (int index = 0; index < kCapacityCount; ++index)
        EXPECT_EQ(expected[index], CapacityBits(index)) << index;
    EXPECT_EQ(4, kDefaultCapacityIndex);
}

TEST(StatusLineTest, EveryOccasionReadsExactly)
{
    using namespace texts;
    EXPECT_EQ(L"芯片 : KP6600 HID\r\nUSB 状态 : 连接\r\n存储器类型 : SPI, 存储器容量 : 33554432\r\n"
              L"内部数据容量 : 0 (bytes)\r\n操作状态: 连接",
              StatusLine(kPrefixConnected, 33554432, kMiddle, 0, kSuffixConnected));
    EXPECT_EQ(L"芯片 : KP6600 HID\r\nUSB 状态 : 断开\r\n存储器类型 : SPI, 存储器容量 : 0\r\n"
              L"内部数据容量 : 0 (bytes)\r\n操作状态 : 断开",
              StatusLine(kPrefixDisconnected, 0, kMiddle, 0, kSuffixDisconnected));
    EXPECT_EQ(L"芯片 : KP6600 HID\r\nUSB 状态 : 连接\r\n存储器类型 : SPI,    存储器容量 : 2097152\r\n"
              L"内部数据容量 : 40000 (bytes)\r\n操作状态 : Ready",
              StatusLine(kPrefixWideConnected, 2097152, kMiddle, 40000, kSuffixReady));
    EXPECT_EQ(L"芯片 : KP6600 HID\r\nUSB 状态 : 连接\r\n存储器类型 : SPI, 存储器容量 : 67108864\r\n"
              L"内部数据容量 : 1 (bytes)\r\n操作状态 : 正在擦除",
              StatusLine(kPrefixConnected, 67108864, kMiddle, 1, kSuffixErasing));
    EXPECT_EQ(L" (bytes)\r\n操作状态: 正在下载", std::wstring(kSuffixDownloading));
    EXPECT_EQ(L" (bytes)\r\n操作状态 : 下载完成", std::wstring(kSuffixDone));
    EXPECT_EQ(L" (bytes)\r\n操作状态 : 下载失败", std::wstring(kSuffixFailed));
}

TEST(StatusLineTest, NumbersAreSignedDecimalsAndTheTextHasFiveLines)
{
    std::wstring line = StatusLine(L"a", -5, L"\r\nb\r\nc\r\nd", 2147483647, L"\r\ne");
    EXPECT_EQ(L"a-5\r\nb\r\nc\r\nd2147483647\r\ne", line);
    std::wstring connected = StatusLine(texts::kPrefixConnected, 1, texts::kMiddle, 2, texts::kSuffixDone);
    size_t breaks = 0;
    for (size_t at = connected.find(L"\r\n"); at != std::wstring::npos; at = connected.find(L"\r\n", at + 2))
        ++breaks;
    EXPECT_EQ(4u, breaks);
    EXPECT_NE(L'\n', connected.back());
}

}  // namespace

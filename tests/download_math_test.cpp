// The download's arithmetic: size check, progress position, erase timer, blocks.
#include "DownloadMath.h"
#include "Capacities.h"
#include <gtest/gtest.h>

namespace {

TEST(DownloadMathTest, FileFitsUpToExactlyTheCapacityInBytes)
{
    EXPECT_TRUE(FitsCapacity(0, CapacityBits(0)));
    EXPECT_TRUE(FitsCapacity(262144, CapacityBits(0)));
    EXPECT_FALSE(FitsCapacity(262145, CapacityBits(0)));
    EXPECT_TRUE(FitsCapacity(4194304, CapacityBits(4)));
    EXPECT_FALSE(FitsCapacity(4194305, CapacityBits(4)));
    EXPECT_TRUE(FitsCapacity(8388608, CapacityBits(5)));
    // Lengths whose bit count would wrap a 32-bit product are still too big.
    EXPECT_FALSE(FitsCapacity(0x20000000ull, CapacityBits(5)));
    EXPECT_FALSE(FitsCapacity(600ull * 1024 * 1024, CapacityBits(5)));
    EXPECT_FALSE(FitsCapacity(0x2000000000000001ull, CapacityBits(5)));
    EXPECT_FALSE(FitsCapacity(UINT64_MAX, CapacityBits(5)));
}

TEST(DownloadMathTest, ProgressIsTruncatedPercentAndSafeWithoutTotal)
{
    EXPECT_EQ(0, ProgressPosition(0, 40000));
    EXPECT_EQ(40, ProgressPosition(16384, 40000));
    EXPECT_EQ(81, ProgressPosition(32768, 40000));
    EXPECT_EQ(100, ProgressPosition(40000, 40000));
    EXPECT_EQ(37, ProgressPosition(37, 100));
    EXPECT_EQ(150, ProgressPosition(150, 100));
    EXPECT_EQ(0, ProgressPosition(0, 0));
    EXPECT_EQ(0, ProgressPosition(16384, 0));
    EXPECT_EQ(99, ProgressPosition(8388607, 8388608));
}

TEST(DownloadMathTest, EraseTimerIntervalFollowsTheCapacity)
{
    const unsigned int expected[] = { 200, 200, 200, 200, 400, 800 };
    for (int index = 0; index < 6; ++index)
        EXPECT_EQ(expected[index], EraseTimerInterval(index)) << index;
    EXPECT_EQ(0u, EraseTimerInterval(-1));
    EXPECT_EQ(0u, EraseTimerInterval(6));
}

TEST(DownloadMathTest, BlocksAreFullUntilTheLastPiece)
{
    EXPECT_EQ(16384u, NextBlockBytes(40000));
    EXPECT_EQ(16384u, NextBlockBytes(16385));
    EXPECT_EQ(16384u, NextBlockBytes(16384));
    EXPECT_EQ(7232u, NextBlockBytes(7232));
    EXPECT_EQ(0u, NextBlockBytes(0));
}

}  // namespace

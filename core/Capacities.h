// The flash capacities a download can choose, in the order of the capacity
// list: a capacity's list position is its index here.
#pragma once
#include <string>

struct Capacity {
    const char* name;             // as the list and the log write it: megabits
    int bits;
    unsigned int eraseTimerMs;    // the download panel's erase timer
};

constexpr Capacity kCapacities[] = {
    { "2M", 0x200000, 200 },   { "4M", 0x400000, 200 },   { "8M", 0x800000, 200 },
    { "16M", 0x1000000, 200 }, { "32M", 0x2000000, 400 }, { "64M", 0x4000000, 800 },
};
constexpr int kCapacityCount = static_cast<int>(sizeof kCapacities / sizeof kCapacities[0]);
constexpr int kDefaultCapacityIndex = 4;  // "32M"

// The capacity in bits of a list position; 0 outside the list.
int CapacityBits(int index);
// The name of the capacity of so many bits: "2M" to "64M"; "" for none.
std::string CapacityName(int bits);
// The name with the bytes it holds, for the console's texts: capacities
// are megabits, "32M (4 MiB)", "2M (256 KiB)"; "" for none.
std::string CapacityWithBytes(int bits);
// Interval of the erase timer for a list position; 0 for none.
unsigned int EraseTimerInterval(int index);
// The list position of "2M" ... "64M" (any case), or -1.
int CapacityIndexOf(const std::string& name);

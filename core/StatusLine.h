// The download panel's five-line status text and the capacity table.
#pragma once
#include <string>

// Capacity list positions: "2M" to "64M".
constexpr int kCapacityCount = 6;
constexpr int kDefaultCapacityIndex = 4;

// The capacity in bits of a capacity list position (0x200000 << index).
int CapacityBits(int index);
// A capacity's name as the list shows it: "2M" to "64M" (megabits).
std::string CapacityName(int bits);

// prefix, first number, middle piece, second number, suffix ("%s%d%s%d%s").
std::wstring StatusLine(const wchar_t* prefix, int first, const wchar_t* middle, int second,
                        const wchar_t* suffix);

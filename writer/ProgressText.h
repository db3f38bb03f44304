// The arithmetic of the text progress bar, in double precision throughout.
// An empty range (lower >= upper) has no fraction: the bar is empty and
// there is no percentage.
#pragma once
#include <string>

// (position - lower) / (upper - lower), not clamped; 0 for an empty range.
double ProgressFraction(int position, int lower, int upper);

// The filled width of a bar width pixels wide: width x fraction, truncated
// toward zero. Above the upper limit it exceeds width, below the lower limit
// it is negative; it is held within the range of int.
int ProgressBarWidth(int width, int position, int lower, int upper);

// "%d%%" of the fraction x 100.0 truncated toward zero, so that on 0..100 the
// positions 29, 57 and 58 read 28%, 56% and 57%. Empty for an empty range.
std::string ProgressPercentText(int position, int lower, int upper);

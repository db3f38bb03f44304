#include "ProgressText.h"
#include <climits>
#include <cstdio>

namespace {
// Truncates toward zero, held within the range of int.
int TruncateToInt(double value)
{
    if (!(value == value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}
}

double ProgressFraction(int position, int lower, int upper)
{
    if (lower >= upper)
        return 0.0;
    // The differences are taken in double precision: in int they could overflow.
    return (static_cast<double>(position) - lower) / (static_cast<double>(upper) - lower);
}

int ProgressBarWidth(int width, int position, int lower, int upper)
{
    return TruncateToInt(width * ProgressFraction(position, lower, upper));
}

std::string ProgressPercentText(int position, int lower, int upper)
{
    if (lower >= upper)
        return std::string();
    char text[16];
    std::snprintf(text, sizeof text, "%d%%",
                  TruncateToInt(ProgressFraction(position, lower, upper) * 100.0));
    return text;
}

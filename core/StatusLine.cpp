#include "StatusLine.h"

int CapacityBits(int index)
{
    return 0x200000 << index;
}

std::wstring StatusLine(const wchar_t* prefix, int first, const wchar_t* middle, int second,
                        const wchar_t* suffix)
{
    std::wstring line = prefix;
    line += std::to_wstring(first);
    line += middle;
    line += std::to_wstring(second);
    line += suffix;
    return line;
}

std::string CapacityName(int bits)
{
    return std::to_string(bits / 0x100000) + "M";
}

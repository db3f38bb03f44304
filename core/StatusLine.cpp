#include "StatusLine.h"

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

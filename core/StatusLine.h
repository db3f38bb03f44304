// The download panel's five-line status text.
#pragma once
#include <string>

// prefix, first number, middle piece, second number, suffix ("%s%d%s%d%s").
std::wstring StatusLine(const wchar_t* prefix, int first, const wchar_t* middle, int second,
                        const wchar_t* suffix);

#include "EditFilters.h"

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}

std::string FilterDecimal(const std::string& text, bool* changed)
{
    std::string result;
    result.reserve(text.size());
    bool dropped = false;
    for (char c : text) {
        if (IsDigit(c))
            result += c;
        else
            dropped = true;
    }
    if (changed)
        *changed = dropped;
    return result;
}

std::string FilterHex(const std::string& text, bool* changed)
{
    std::string result;
    result.reserve(text.size());
    bool rewritten = false;
    for (char c : text) {
        if (IsDigit(c) || (c >= 'A' && c <= 'F')) {
            result += c;
        } else if (c >= 'a' && c <= 'f') {
            result += static_cast<char>(c - 0x20);
            rewritten = true;
        } else {
            rewritten = true;
        }
    }
    if (changed)
        *changed = rewritten;
    return result;
}

#include "BuilderParams.h"
#include <cstdio>

int ParseHex(const std::string& text, uint32_t* value)
{
    *value = 0;
    for (char c : text) {
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else
            return 0;
        *value = *value * 16 + digit;
    }
    return 1;
}

int ParseDecimal(const std::string& text)
{
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r'
                                || text[at] == '\v' || text[at] == '\f'))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    long long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > 2147483648LL)
            value = 2147483648LL;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        value = 2147483647LL;
    return static_cast<int>(value);
}

void SplitColor(uint32_t color, uint8_t* red, uint8_t* green, uint8_t* blue)
{
    *red = static_cast<uint8_t>(color & 0xFF);
    *green = static_cast<uint8_t>((color >> 8) & 0xFF);
    *blue = static_cast<uint8_t>((color >> 16) & 0xFF);
}

std::string FormatHex8(uint32_t value)
{
    char text[16];
    snprintf(text, sizeof(text), "%08X", value);
    return text;
}

std::string FormatDecimal(int value)
{
    char text[16];
    snprintf(text, sizeof(text), "%d", value);
    return text;
}

std::string FormatColor(uint8_t red, uint8_t green, uint8_t blue)
{
    char text[32];
    snprintf(text, sizeof(text), "(%d, %d, %d)", red, green, blue);
    return text;
}

std::string FileKey(int index)
{
    char text[24];
    snprintf(text, sizeof(text), "File%d", index);
    return text;
}

int StoredEntriesToRead(int count)
{
    if (count <= 0)
        return 0;
    return count > kMaxListEntries ? kMaxListEntries : count;
}

#include "WriterPlan.h"
#include <cstdio>

int FlashTypeCode(int flashTypeIndex)
{
    switch (flashTypeIndex) {
    case 0:
        return 5;
    case 1:
        return 4;
    case 2:
        return 6;
    default:
        return 0;
    }
}

const char* FlashTypeName(int flashTypeIndex)
{
    static const char* const kNames[] = { "SPI", "KP6X", "NAND" };
    return flashTypeIndex >= 0 && flashTypeIndex < 3 ? kNames[flashTypeIndex] : "";
}

std::string FileNameOf(const std::string& path)
{
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteRangeFits(uint32_t startAddress, uint64_t length)
{
    return static_cast<uint64_t>(startAddress) + length <= 0x100000000ull;
}

int WriterPercent(uint32_t transferred, uint32_t total)
{
    if (total == 0)
        return 0;
    uint64_t percent = static_cast<uint64_t>(transferred) * 100u / total;
    return percent > 0x7FFFFFFFull ? 0x7FFFFFFF : static_cast<int>(percent);
}

uint32_t WriterRemain(uint32_t transferred, uint32_t total)
{
    return transferred < total ? total - transferred : 0;
}

std::string DecimalText(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u", value);
    return text;
}

std::string FormatWithText(const char* format, const std::string& text)
{
    std::string result = format ? format : "";
    size_t at = result.find("%s");
    if (at != std::string::npos)
        result.replace(at, 2, text);
    return result;
}

#include "FlashRange.h"
#include "FlashReport.h"
#include <cstdio>

std::string FileNameOf(const std::string& path)
{
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::wstring FileNameOf(const std::wstring& path)
{
    size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

FlashRange CheckFlashRange(uint32_t startAddress, uint64_t length, uint64_t flashBytes)
{
    const uint64_t end = static_cast<uint64_t>(startAddress) + length;
    // A length of 4 GiB or more has no 32-bit block count (and near 2^64
    // would wrap the sum itself).
    if (length >= 0x100000000ull || end > 0x100000000ull)
        return FlashRange::pastAddressSpace;
    if (flashBytes != 0 && end > flashBytes)
        return FlashRange::pastFlashEnd;
    return FlashRange::fits;
}

std::string FlashRangeText(FlashRange range, uint32_t startAddress, uint64_t length, uint64_t flashBytes,
                           const std::string& flashName)
{
    char text[200];
    const unsigned long long bytes = length;
    if (range == FlashRange::pastFlashEnd) {
        const unsigned long long end = startAddress + length;
        std::snprintf(text, sizeof text,
                      "image does not fit the %.16s flash: %llu bytes from address 0x%08X end at 0x%08llX, past its "
                      "end at 0x%08llX",
                      flashName.c_str(), bytes, startAddress, end, static_cast<unsigned long long>(flashBytes));
    } else if (range == FlashRange::pastAddressSpace) {
        std::snprintf(text, sizeof text,
                      "image runs past the end of the flash address space: %llu bytes from address 0x%08X", bytes,
                      startAddress);
    } else if (range == FlashRange::largerThanFlash) {
        std::snprintf(text, sizeof text, "image too big for the capacity %.16s: %llu bytes", flashName.c_str(), bytes);
    } else {
        return std::string();
    }
    return text;
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

std::wstring FormatWithText(const std::wstring& format, const std::wstring& text)
{
    std::wstring result = format;
    size_t at = result.find(L"%s");
    if (at != std::wstring::npos)
        result.replace(at, 2, text);
    return result;
}

std::wstring RefusalSentence(const std::string& text)
{
    std::wstring sentence(text.begin(), text.end());
    if (!sentence.empty() && sentence[0] >= L'a' && sentence[0] <= L'z')
        sentence[0] = static_cast<wchar_t>(sentence[0] - L'a' + L'A');
    return sentence + L".";
}

#include "sim_config.h"

#include <windows.h>

#include <vector>

namespace {

// One setting: its key in the ini file and its environment variable.
struct Key {
    const wchar_t* ini;
    const wchar_t* env;
};

const Key kFlashFile = {L"FlashFile", L"KP6600SIM_FLASH_FILE"};
const Key kCapacity = {L"Capacity", L"KP6600SIM_CAPACITY"};
const Key kEraseMs = {L"EraseMs", L"KP6600SIM_ERASE_MS"};
const Key kBlockDelayMs = {L"BlockDelayMs", L"KP6600SIM_BLOCK_DELAY_MS"};
const Key kPlugged = {L"Plugged", L"KP6600SIM_PLUGGED"};
const Key kOpenFails = {L"OpenFails", L"KP6600SIM_OPEN_FAILS"};
const Key kFlashInfoFails = {L"FlashInfoFails", L"KP6600SIM_FLASHINFO_FAILS"};
const Key kEraseResult = {L"EraseResult", L"KP6600SIM_ERASE_RESULT"};
const Key kFailBlock = {L"FailBlock", L"KP6600SIM_FAIL_BLOCK"};
const Key kShortBlock = {L"ShortBlock", L"KP6600SIM_SHORT_BLOCK"};
const Key kCallLog = {L"CallLog", L"KP6600SIM_CALL_LOG"};
const Key kBoards = {L"Boards", L"KP6600SIM_BOARDS"};

const wchar_t kIniName[] = L"KP6600HidDriver.ini";
const wchar_t kSection[] = L"Device";
const wchar_t kDefaultFlashFile[] = L"KP6600Flash.bin";

std::wstring Trim(const std::wstring& s)
{
    const wchar_t* blanks = L" \t\r\n";
    const size_t first = s.find_first_not_of(blanks);
    if (first == std::wstring::npos)
        return std::wstring();
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

// One board's settings: its own ([DeviceN], NAME_N) before the shared
// ([Device], NAME); within each, the environment before the ini file.
class Source {
public:
    Source(const std::wstring& iniPath, int board)
        : iniPath_(iniPath), suffix_(L"_" + std::to_wstring(board)),
          section_(kSection + std::to_wstring(board))
    {
    }

    // The board's own value, or empty.
    std::wstring BoardText(const Key& key) const
    {
        std::wstring value = Trim(Env((key.env + suffix_).c_str()));
        if (value.empty())
            value = Trim(Ini(section_.c_str(), key.ini));
        return value;
    }

    std::wstring Text(const Key& key) const
    {
        std::wstring value = BoardText(key);
        if (value.empty())
            value = Trim(Env(key.env));
        if (value.empty())
            value = Trim(Ini(kSection, key.ini));
        return value;
    }

    long long Number(const Key& key, long long fallback, long long low, long long high) const
    {
        long long value = 0;
        if (!ParseConfigNumber(Text(key), &value) || value < low || value > high)
            return fallback;
        return value;
    }

private:
    static std::wstring Env(const wchar_t* name)
    {
        std::vector<wchar_t> buffer(256);
        for (;;) {
            const DWORD n = GetEnvironmentVariableW(name, buffer.data(),
                                                    static_cast<DWORD>(buffer.size()));
            if (n == 0)
                return std::wstring();
            if (n < buffer.size())
                return std::wstring(buffer.data(), n);
            buffer.resize(n + 1);
        }
    }

    std::wstring Ini(const wchar_t* section, const wchar_t* key) const
    {
        std::vector<wchar_t> buffer(1024);
        const DWORD n = GetPrivateProfileStringW(section, key, L"", buffer.data(),
                                                 static_cast<DWORD>(buffer.size()),
                                                 iniPath_.c_str());
        return std::wstring(buffer.data(), n);
    }

    std::wstring iniPath_;
    std::wstring suffix_;
    std::wstring section_;
};

bool IsRelative(const std::wstring& path)
{
    if (path.size() >= 2 && path[1] == L':')
        return false;
    return path.empty() || (path[0] != L'\\' && path[0] != L'/');
}

std::wstring FullPath(const std::wstring& folder, const std::wstring& path)
{
    const std::wstring joined = IsRelative(path) ? folder + L"\\" + path : path;
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetFullPathNameW(joined.c_str(), static_cast<DWORD>(buffer.size()),
                                         buffer.data(), nullptr);
        if (n == 0)
            return joined;
        if (n < buffer.size())
            return std::wstring(buffer.data(), n);
        buffer.resize(n + 1);
    }
}

}  // namespace

bool ParseConfigNumber(const std::wstring& text, long long* value)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
        negative = text[i] == L'-';
        ++i;
    }
    unsigned base = 10;
    if (i + 1 < text.size() && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        return false;

    const unsigned long long limit = 0x7FFFFFFFFFFFFFFFull;
    unsigned long long magnitude = 0;
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        unsigned digit;
        if (c >= L'0' && c <= L'9')
            digit = c - L'0';
        else if (base == 16 && c >= L'a' && c <= L'f')
            digit = c - L'a' + 10;
        else if (base == 16 && c >= L'A' && c <= L'F')
            digit = c - L'A' + 10;
        else
            return false;
        if (digit >= base || magnitude > (limit - digit) / base)
            return false;
        magnitude = magnitude * base + digit;
    }
    *value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return true;
}

std::wstring BoardFlashFile(const std::wstring& path, int board)
{
    const size_t name = path.find_last_of(L"\\/:");
    const size_t dot = path.find_last_of(L'.');
    const size_t at = dot == std::wstring::npos || (name != std::wstring::npos && dot < name) ? path.size() : dot;
    return path.substr(0, at) + L"-" + std::to_wstring(board) + path.substr(at);
}

int LoadBoardCount(const std::wstring& libraryFolder)
{
    const Source source(libraryFolder + L"\\" + kIniName, 0);
    return static_cast<int>(source.Number(kBoards, 1, 1, kMaxBoards));
}

SimConfig LoadSimConfig(const std::wstring& libraryFolder, int board)
{
    const Source source(libraryFolder + L"\\" + kIniName, board);
    const long long kLongMax = 0x7FFFFFFF;
    const long long kLongMin = -kLongMax - 1;

    SimConfig c;
    // Board n >= 1 without a flash file of its own keeps its cells beside board 0's.
    std::wstring flashFile = source.BoardText(kFlashFile);
    if (flashFile.empty()) {
        flashFile = source.Text(kFlashFile);
        if (flashFile.empty())
            flashFile = kDefaultFlashFile;
        if (board > 0)
            flashFile = BoardFlashFile(flashFile, board);
    }
    c.flashFile = FullPath(libraryFolder, flashFile);
    // Flash addresses are 32 bits wide, so no chip is larger than 4 GiB.
    c.capacity = static_cast<unsigned long long>(
        source.Number(kCapacity, 8388608, 1, 0x100000000ll));
    c.eraseMs = static_cast<unsigned long>(source.Number(kEraseMs, 3000, 0, kLongMax));
    c.blockDelayMs = static_cast<unsigned long>(source.Number(kBlockDelayMs, 2, 0, kLongMax));
    c.plugged = source.Number(kPlugged, 1, kLongMin, kLongMax) != 0;
    c.openFails = static_cast<long>(source.Number(kOpenFails, 0, 0, kLongMax));
    c.flashInfoFails = source.Number(kFlashInfoFails, 0, kLongMin, kLongMax) != 0;
    c.eraseResult = static_cast<long>(source.Number(kEraseResult, 1, kLongMin, kLongMax));
    c.failBlock = static_cast<long>(source.Number(kFailBlock, -1, kLongMin, kLongMax));
    c.shortBlock = static_cast<long>(source.Number(kShortBlock, -1, kLongMin, kLongMax));
    const std::wstring callLog = source.Text(kCallLog);
    if (!callLog.empty())
        c.callLog = FullPath(libraryFolder, callLog);
    return c;
}

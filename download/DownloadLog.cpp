#include "DownloadLog.h"
#include <bcrypt.h>
#include <cstdio>
#include <vector>

const char* const kDownloadLogHeader =
    "time,program,operation,image,size,sha256,capacity,start_address,flash_type,result,ms\r\n";

namespace {

constexpr DWORD kLockWaitMs = 5000;

}  // namespace

std::string AnsiToUtf8(const std::string& text)
{
    if (text.empty())
        return text;
    int wide = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring utf16(static_cast<size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &utf16[0], wide);
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}

namespace {

std::string Reason(const char* what)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s (error %lu)", what, ::GetLastError());
    return text;
}

// Holds an exclusive lock on one byte far past the end of the log, which
// every writer takes before it looks at the size and appends.
class LogLock {
public:
    explicit LogLock(HANDLE file) : m_file(file)
    {
        const DWORD start = ::GetTickCount();
        for (;;) {
            OVERLAPPED at = {};
            at.OffsetHigh = 0x7FFFFFFF;
            if (::LockFileEx(m_file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
                m_locked = true;
                return;
            }
            if (::GetTickCount() - start > kLockWaitMs)
                return;
            ::Sleep(5);
        }
    }
    ~LogLock()
    {
        if (m_locked) {
            OVERLAPPED at = {};
            at.OffsetHigh = 0x7FFFFFFF;
            ::UnlockFileEx(m_file, 0, 1, 0, &at);
        }
    }
    bool Locked() const { return m_locked; }

private:
    HANDLE m_file;
    bool m_locked = false;
};

}  // namespace

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string IsoLocalTime(const SYSTEMTIME& local, long utcBiasMinutes)
{
    const long offset = -utcBiasMinutes;
    const long magnitude = offset < 0 ? -offset : offset;
    char text[40];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u%c%02ld:%02ld", local.wYear, local.wMonth,
                  local.wDay, local.wHour, local.wMinute, local.wSecond, offset < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return text;
}

std::string DownloadLogLine(const DownloadLogEntry& entry, const std::string& time, const std::string& size,
                            const std::string& sha256)
{
    char address[16];
    std::snprintf(address, sizeof address, "0x%08X", entry.startAddress);
    std::string line = time;
    for (const std::string* field : { &entry.program, &entry.operation, &entry.imagePath, &size, &sha256,
                                      &entry.capacity })
        line += "," + CsvField(AnsiToUtf8(*field));
    line += std::string(",") + address + "," + CsvField(entry.flashType) + "," + CsvField(entry.result) + ","
            + std::to_string(entry.milliseconds) + "\r\n";
    return line;
}

bool HashFile(const std::string& path, std::string* sha256, uint64_t* size)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool ok = BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))
              && BCRYPT_SUCCESS(::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    std::vector<unsigned char> buffer(1 << 20);
    uint64_t total = 0;
    DWORD read = 0;
    while (ok && ::ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) && read > 0) {
        ok = BCRYPT_SUCCESS(::BCryptHashData(hash, buffer.data(), read, 0));
        total += read;
    }
    unsigned char digest[32] = {};
    ok = ok && BCRYPT_SUCCESS(::BCryptFinishHash(hash, digest, sizeof digest, 0));
    if (hash)
        ::BCryptDestroyHash(hash);
    if (algorithm)
        ::BCryptCloseAlgorithmProvider(algorithm, 0);
    ::CloseHandle(file);
    if (!ok)
        return false;
    static const char kHex[] = "0123456789abcdef";
    sha256->clear();
    for (unsigned char byte : digest) {
        *sha256 += kHex[byte >> 4];
        *sha256 += kHex[byte & 15];
    }
    *size = total;
    return true;
}

std::string DefaultDownloadLogPath()
{
    // Every Windows since Vista sets LOCALAPPDATA; the profile's own folder
    // is the fallback.
    char folder[MAX_PATH] = {};
    DWORD length = ::GetEnvironmentVariableA("LOCALAPPDATA", folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        return std::string(folder) + "\\Tessaline\\downloads.csv";
    length = ::GetEnvironmentVariableA("USERPROFILE", folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        return std::string(folder) + "\\AppData\\Local\\Tessaline\\downloads.csv";
    return std::string();
}

bool AppendDownloadLog(const std::string& logPath, const DownloadLogEntry& entry, std::string* error)
{
    std::string ignored;
    if (!error)
        error = &ignored;
    if (logPath.empty()) {
        *error = "no folder for the log";
        return false;
    }
    if (logPath == DefaultDownloadLogPath())
        ::CreateDirectoryA(logPath.substr(0, logPath.find_last_of('\\')).c_str(), nullptr);

    std::string sha256, size;
    uint64_t bytes = 0;
    if (HashFile(entry.imagePath, &sha256, &bytes))
        size = std::to_string(bytes);
    SYSTEMTIME local;
    ::GetLocalTime(&local);
    TIME_ZONE_INFORMATION zone;
    const DWORD zoneId = ::GetTimeZoneInformation(&zone);
    long bias = zone.Bias;
    if (zoneId == TIME_ZONE_ID_DAYLIGHT)
        bias += zone.DaylightBias;
    else if (zoneId == TIME_ZONE_ID_STANDARD)
        bias += zone.StandardBias;
    const std::string line = DownloadLogLine(entry, IsoLocalTime(local, bias), size, sha256);

    HANDLE file = ::CreateFileA(logPath.c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = Reason("can't open");
        return false;
    }
    bool ok = false;
    {
        LogLock lock(file);
        LARGE_INTEGER length = {};
        if (!lock.Locked()) {
            *error = "the log stayed locked by another program";
        } else if (!::GetFileSizeEx(file, &length)) {
            *error = Reason("can't read its size");
        } else {
            // One write per line, so that no reader ever sees half of one.
            const std::string text = length.QuadPart == 0 ? kDownloadLogHeader + line : line;
            DWORD written = 0;
            ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
                 && written == text.size();
            if (!ok)
                *error = Reason("can't write");
        }
    }
    ::CloseHandle(file);
    return ok;
}

#include "DownloadLog.h"
#include "RunClock.h"
#include "StringConv.h"
#include <algorithm>
#include <cstdio>

const char* const kDownloadLogHeader =
    "time,program,operation,image,size,sha256,capacity,start_address,flash_type,result,ms,device\r\n";

namespace {

constexpr DWORD kLockWaitMs = 5000;

}  // namespace

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
        const RunClock waited;
        for (;;) {
            OVERLAPPED at = {};
            at.OffsetHigh = 0x7FFFFFFF;
            if (::LockFileEx(m_file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
                m_locked = true;
                return;
            }
            if (waited.Milliseconds() > kLockWaitMs)
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

// The log's first line (at most its first 1 KiB). Writes still go to the
// end: the handle may only append.
bool ReadHeader(HANDLE file, std::string* header)
{
    char text[1024];
    OVERLAPPED at = {};
    DWORD read = 0;
    if (!::ReadFile(file, text, sizeof text, &read, &at))
        return false;
    header->assign(text, read);
    header->resize(std::min(header->size(), header->find('\n')));
    return true;
}

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

std::string DownloadLogLine(const DownloadLogEntry& entry, const std::string& time, bool withDevice)
{
    char address[16];
    std::snprintf(address, sizeof address, "0x%08X", entry.startAddress);
    const std::string image = Utf8FromWide(entry.imagePath);
    std::string line = time;
    for (const std::string* field : { &entry.program, &entry.operation, &image, &entry.size, &entry.sha256,
                                      &entry.capacity })
        line += "," + CsvField(*field);
    line += std::string(",") + address + "," + CsvField(entry.flashType) + "," + CsvField(entry.result) + ","
            + std::to_string(entry.milliseconds);
    if (withDevice)
        line += "," + std::to_string(entry.device);
    return line + "\r\n";
}

bool LogHeaderHasDevice(const std::string& header)
{
    const size_t end = header.find_last_not_of("\r\n");
    if (end == std::string::npos)
        return false;
    const size_t comma = header.find_last_of(',', end);
    return comma != std::string::npos && header.compare(comma + 1, end - comma, "device") == 0;
}

void SetLoggedImage(DownloadLogEntry* entry, const FlashOutcome& outcome)
{
    entry->size = outcome.imageOpened ? std::to_string(outcome.imageLength) : std::string();
    entry->sha256 = outcome.sha256;
}

namespace {

std::wstring Environment(const wchar_t* name)
{
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return std::wstring();
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, &value[0], size);
    if (length == 0 || length >= size)
        return std::wstring();
    value.resize(length);
    return value;
}

}  // namespace

std::wstring DefaultDownloadLogPath()
{
    // Every Windows since Vista sets LOCALAPPDATA; the profile's own folder
    // is the fallback.
    std::wstring folder = Environment(L"LOCALAPPDATA");
    if (!folder.empty())
        return folder + L"\\Tessaline\\downloads.csv";
    folder = Environment(L"USERPROFILE");
    if (!folder.empty())
        return folder + L"\\AppData\\Local\\Tessaline\\downloads.csv";
    return std::wstring();
}

bool AppendDownloadLog(const std::wstring& logPath, const DownloadLogEntry& entry, std::string* error)
{
    std::string ignored;
    if (!error)
        error = &ignored;
    if (logPath.empty()) {
        *error = "no folder for the log";
        return false;
    }
    if (logPath == DefaultDownloadLogPath())
        ::CreateDirectoryW(logPath.substr(0, logPath.find_last_of(L'\\')).c_str(), nullptr);
    SYSTEMTIME local;
    ::GetLocalTime(&local);
    TIME_ZONE_INFORMATION zone;
    const DWORD zoneId = ::GetTimeZoneInformation(&zone);
    long bias = zone.Bias;
    if (zoneId == TIME_ZONE_ID_DAYLIGHT)
        bias += zone.DaylightBias;
    else if (zoneId == TIME_ZONE_ID_STANDARD)
        bias += zone.StandardBias;
    const std::string time = IsoLocalTime(local, bias);

    HANDLE file = ::CreateFileW(logPath.c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = Reason("can't open");
        return false;
    }
    bool ok = false;
    std::string header;
    {
        LogLock lock(file);
        LARGE_INTEGER length = {};
        if (!lock.Locked()) {
            *error = "the log stayed locked by another program";
        } else if (!::GetFileSizeEx(file, &length)) {
            *error = Reason("can't read its size");
        } else if (length.QuadPart > 0 && !ReadHeader(file, &header)) {
            *error = Reason("can't read its header");
        } else {
            // One write per line, so that no reader ever sees half of one.
            const std::string text = length.QuadPart == 0 ? kDownloadLogHeader + DownloadLogLine(entry, time)
                                                           : DownloadLogLine(entry, time, LogHeaderHasDevice(header));
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

// The download log: one CSV line for every download and every write, from
// the window and from the console program, so that a user can tell
// afterwards which image went onto which board.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

struct DownloadLogEntry {
    std::string program;            // "Tessaline" or "tessa"
    std::string operation;          // "download" or "write"
    std::string imagePath;          // ANSI code page
    std::string capacity;           // "32M"; empty for a write
    uint32_t startAddress = 0;
    std::string flashType;          // "SPI", "KP6X" or "NAND"
    std::string result;             // "ok" or the failure
    uint64_t milliseconds = 0;
};

extern const char* const kDownloadLogHeader;

// %LOCALAPPDATA%\Tessaline\downloads.csv (ANSI code page).
std::string DefaultDownloadLogPath();

// Appends the entry's line, with the image's size and SHA-256 read from the
// image file, creating the file with its header line when it is new (and,
// for the default path, its folder). Lines of programs appending at once
// never interleave. False, with the reason, when the log can't be written.
bool AppendDownloadLog(const std::string& logPath, const DownloadLogEntry& entry, std::string* error);

// The pieces of a line, for tests.
std::string DownloadLogLine(const DownloadLogEntry& entry, const std::string& time, const std::string& size,
                            const std::string& sha256);
std::string CsvField(const std::string& text);
// A text in the ANSI code page (a path) as UTF-8, as the log is written.
std::string AnsiToUtf8(const std::string& text);
// Local time in ISO 8601 with its offset from UTC, "2026-12-08T10:15:00+01:00";
// utcBiasMinutes as Windows gives it (UTC = local time + bias).
std::string IsoLocalTime(const SYSTEMTIME& local, long utcBiasMinutes);
// Lower-case hex SHA-256 and size of a file, through Windows' hashing;
// false when it can't be read.
bool HashFile(const std::string& path, std::string* sha256, uint64_t* size);

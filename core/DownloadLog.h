// The download log: one CSV line for every download and every write, from
// the window and from the console program, so that a user can tell
// afterwards which image went onto which board.
#pragma once
#include <windows.h>
#include "FlashReport.h"
#include <cstdint>
#include <string>

struct DownloadLogEntry {
    std::string program;            // "Tessaline" or "tessa"
    std::string operation;          // "download" or "write"
    std::wstring imagePath;
    std::string size;               // bytes of the image; empty when it couldn't be opened
    std::string sha256;             // of the bytes the run read (FlashOutcome::sha256)
    std::string capacity;           // "32M"; empty for a write
    uint32_t startAddress = 0;
    std::string flashType;          // "SPI", "KP6X" or "NAND"
    std::string result;             // "ok" or the failure
    uint64_t milliseconds = 0;
    int device = 0;                 // the driver's device number the run opened
};

extern const char* const kDownloadLogHeader;

// %LOCALAPPDATA%\Tessaline\downloads.csv.
std::wstring DefaultDownloadLogPath();

// The entry's image fields from how its run ended.
void SetLoggedImage(DownloadLogEntry* entry, const FlashOutcome& outcome);

// Appends the entry's line, creating the file with its header line when it
// is new (and, for the default path, its folder). A file whose header has no
// device column gets lines without it. The image is not read again. Lines of
// programs (and threads) appending at once never interleave. False, with the
// reason, when the log can't be written.
bool AppendDownloadLog(const std::wstring& logPath, const DownloadLogEntry& entry, std::string* error);

// The pieces of a line, for tests.
// withDevice: the device column ends the line, as in kDownloadLogHeader.
std::string DownloadLogLine(const DownloadLogEntry& entry, const std::string& time, bool withDevice = true);
// Whether a header line (with or without its line end) ends in the device column.
bool LogHeaderHasDevice(const std::string& header);
std::string CsvField(const std::string& text);
// Local time in ISO 8601 with its offset from UTC, "2026-12-08T10:15:00+01:00";
// utcBiasMinutes as Windows gives it (UTC = local time + bias).
std::string IsoLocalTime(const SYSTEMTIME& local, long utcBiasMinutes);

// What the runs of one board and of several share: the checks before a run,
// the job and policy the options ask for, the log line, and the stop
// requests.
#pragma once
#include "CommandLine.h"
#include "ConsoleOutput.h"
#include "DownloadLog.h"
#include "ExitCodes.h"
#include "FlashSequence.h"
#include <cstdint>
#include <string>

class C_USBCmd;

// How long a loop waits between looks for a board coming or going.
constexpr unsigned int kBoardPollMs = 500;
// "0x0000ABCD".
std::string Hex8(uint32_t value);
// The checks a file must pass before a run: it exists and fits.
int CheckImage(const TessaOptions& options, ConsoleOutput& out);
// The driver library from the program's folder; false after saying why not.
bool LoadDriver(C_USBCmd& usb, ConsoleOutput& out);
// The job the options ask for, on device 0, reading the image file.
FlashJob FlashJobOf(const TessaOptions& options);
// The download's policy for download, the Writer's for write.
const FlashPolicy& FlashPolicyOf(const TessaOptions& options);
// "download IMAGE at 0x00000000, capacity 32M" (or the flash type of a write).
std::string FlashTitle(const TessaOptions& options);
// The log line of a run that took `milliseconds`.
DownloadLogEntry FlashLogEntry(const TessaOptions& options, const FlashJob& job, const FlashOutcome& outcome,
                               uint64_t milliseconds);
std::wstring FlashLogPath(const TessaOptions& options);
// Ctrl+C and Ctrl+Break ask every run to stop at its next check.
void CatchStopRequests();
bool StopRequested();

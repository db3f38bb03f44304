// The console program's device commands: download, write and connect, once
// or board after board.
#pragma once
#include "CommandLine.h"
#include "ConsoleOutput.h"
#include "DownloadLog.h"
#include "FlashSequence.h"

class C_USBCmd;

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadInput = 2;

int RunFlashCommand(const TessaOptions& options, ConsoleOutput& out);
int RunConnectCommand(const TessaOptions& options, ConsoleOutput& out);

// Several boards at once (--devices), in GangCommand.cpp.
int RunGangCommand(const TessaOptions& options, ConsoleOutput& out);

// Shared by the runs of one board and of several.
// How long a loop waits between looks for a board coming or going.
constexpr unsigned int kBoardPollMs = 500;
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

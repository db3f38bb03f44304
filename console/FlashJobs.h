// What the runs of one board and of several share: the checks before a run,
// the session the options ask for, and the stop requests.
#pragma once
#include "CommandLine.h"
#include "ConsoleOutput.h"
#include "DownloadLog.h"
#include "ExitCodes.h"
#include "FlashSession.h"
#include <cstdint>
#include <string>

class C_USBCmd;

// "0x0000ABCD".
std::string Hex8(uint32_t value);
// The checks a file must pass before a run: it exists and fits.
int CheckImage(const TessaOptions& options, ConsoleOutput& out);
// The driver library from the program's folder; false after saying why not.
bool LoadDriver(C_USBCmd& usb, ConsoleOutput& out);
// The session the options ask for, on device 0, reading the image file,
// logged unless --no-log.
FlashSessionJob FlashSessionOf(const TessaOptions& options);
// "download IMAGE at 0x00000000, capacity 32M" (or the flash type of a write).
std::string FlashTitle(const TessaOptions& options);
// How many boards may start: --count with --loop; no limit otherwise.
unsigned int BoardsToRun(const TessaOptions& options);
// Ctrl+C, Ctrl+Break, closing the console, logging off and shutting down
// request the stop. For the last three Windows ends the process once the
// handler returns: it holds the process until BoardsDone is called (within
// the time Windows allows), so that a board in flight is logged cancelled.
void CatchStopRequests(FlashStop& stop);
void BoardsDone();

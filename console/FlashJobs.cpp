#include "FlashJobs.h"
#include "C_USBCmd.h"
#include "CFile.h"
#include "Capacities.h"
#include "FlashTypes.h"
#include "ModuleDir.h"
#include "StringConv.h"
#include <atomic>
#include <cstdio>

namespace {

std::atomic<bool> g_stop{ false };

// The flash a run must stay within: the chosen capacity for a download;
// the 32-bit address space for a write, which knows no capacity.
uint64_t FlashBytesOf(const TessaOptions& options)
{
    if (options.command != TessaCommand::download)
        return 0;
    return static_cast<uint32_t>(CapacityBits(options.capacityIndex)) / 8u;
}

BOOL WINAPI OnControl(DWORD event)
{
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        g_stop = true;
        return TRUE;
    }
    return FALSE;
}

}  // namespace

std::string Hex8(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

int CheckImage(const TessaOptions& options, ConsoleOutput& out)
{
    CFile file;
    if (!file.Open(WideFromUtf8(options.input).c_str(), CFile::modeRead | CFile::shareDenyNone)) {
        out.Error("image file not found or unreadable: " + options.input);
        return kExitBadInput;
    }
    const uint64_t length = file.GetLength();
    if (options.address & 1) {
        out.Error("the address must be even: " + Hex8(options.address));
        return kExitBadInput;
    }
    const FlashRange range = CheckFlashJob(FlashJobOf(options), length, FlashPolicyOf(options));
    if (range != FlashRange::fits) {
        out.Error(FlashRangeText(range, options.address, length, FlashBytesOf(options),
                                 CapacityName(CapacityBits(options.capacityIndex))));
        return kExitBadInput;
    }
    return kExitOk;
}

bool LoadDriver(C_USBCmd& usb, ConsoleOutput& out)
{
    if (usb.LoadDriver() == 1)
        return true;
    out.Error("can't load the driver library " + Utf8FromWide(GetModuleDirW(true)) + C_USBCmd::kLibraryName);
    return false;
}

FlashJob FlashJobOf(const TessaOptions& options)
{
    const bool download = options.command == TessaCommand::download;
    FlashJob job;
    job.imagePath = WideFromUtf8(options.input);
    job.startAddress = options.address;
    job.flashBytes = FlashBytesOf(options);
    job.hashImage = !options.noLog;
    job.flashTypeCode = download ? kSpiFlashTypeCode : FlashTypeCode(options.flashTypeIndex);
    job.openAttempts = options.loop ? 0 : kOpenAttempts;
    job.openRetryMs = options.loop ? kBoardPollMs : kOpenRetryMs;
    return job;
}

const FlashPolicy& FlashPolicyOf(const TessaOptions& options)
{
    return options.command == TessaCommand::download ? kDownloadPolicy : kWriterPolicy;
}

std::string FlashTitle(const TessaOptions& options)
{
    if (options.command == TessaCommand::download)
        return "download " + options.input + " at " + Hex8(options.address) + ", capacity "
               + CapacityName(CapacityBits(options.capacityIndex));
    return "write " + options.input + " at " + Hex8(options.address) + ", flash type "
           + FlashTypeName(options.flashTypeIndex);
}

DownloadLogEntry FlashLogEntry(const TessaOptions& options, const FlashJob& job, const FlashOutcome& outcome,
                               uint64_t milliseconds)
{
    const bool download = options.command == TessaCommand::download;
    DownloadLogEntry entry;
    entry.program = "tessa";
    entry.operation = download ? "download" : "write";
    entry.imagePath = job.imagePath;
    SetLoggedImage(&entry, outcome);
    entry.capacity = download ? CapacityName(CapacityBits(options.capacityIndex)) : std::string();
    entry.startAddress = job.startAddress;
    entry.flashType = download ? "SPI" : FlashTypeName(options.flashTypeIndex);
    entry.result = FlashOutcomeText(outcome);
    entry.milliseconds = milliseconds;
    entry.device = job.deviceNumber;
    return entry;
}

std::wstring FlashLogPath(const TessaOptions& options)
{
    return options.logPath.empty() ? DefaultDownloadLogPath() : WideFromUtf8(options.logPath);
}

void CatchStopRequests()
{
    ::SetConsoleCtrlHandler(&OnControl, TRUE);
}

bool StopRequested()
{
    return g_stop;
}


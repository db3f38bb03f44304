#include "FlashJobs.h"
#include "C_USBCmd.h"
#include "CFile.h"
#include "Capacities.h"
#include "FlashTypes.h"
#include "ModuleDir.h"
#include "BoardStation.h"
#include "StringConv.h"
#include <atomic>
#include <cstdio>

namespace {

// The stop of the boards running now, and an event set once they are done.
std::atomic<FlashStop*> g_stop{ nullptr };
HANDLE g_done = nullptr;
// Windows ends the process this long after a close, logoff or shutdown
// event at the latest; the handler gives the boards a little less.
constexpr DWORD kCloseGraceMs = 4500;

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
    FlashStop* stop = g_stop;
    if (stop)
        stop->Request();
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // The process ends when this returns: the board in flight first ends
        // at its next check and is logged.
        if (g_done)
            ::WaitForSingleObject(g_done, kCloseGraceMs);
        return TRUE;
    default:
        return FALSE;
    }
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
    const FlashSessionJob session = FlashSessionOf(options);
    const FlashRange range = CheckFlashJob(session.job, length, session.policy);
    if (range != FlashRange::fits) {
        out.Error(FlashRangeText(range, options.address, length, FlashBytesOf(options),
                                 CapacityWithBytes(CapacityBits(options.capacityIndex))));
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

FlashSessionJob FlashSessionOf(const TessaOptions& options)
{
    const bool download = options.command == TessaCommand::download;
    FlashSessionJob session;
    FlashJob& job = session.job;
    job.imagePath = WideFromUtf8(options.input);
    job.startAddress = options.address;
    job.flashBytes = FlashBytesOf(options);
    job.hashImage = !options.noLog;
    job.flashTypeCode = download ? kSpiFlashTypeCode : FlashTypeCode(options.flashTypeIndex);
    job.openAttempts = options.loop ? 0 : kOpenAttempts;
    job.openRetryMs = options.loop ? kBoardPollMs : kOpenRetryMs;
    session.policy = download ? kDownloadPolicy : kWriterPolicy;
    session.program = "tessa";
    session.operation = download ? "download" : "write";
    if (!options.noLog)
        session.logPath = options.logPath.empty() ? DefaultDownloadLogPath() : WideFromUtf8(options.logPath);
    return session;
}

unsigned int BoardsToRun(const TessaOptions& options)
{
    return options.loop ? options.count : 0;
}

std::string FlashTitle(const TessaOptions& options)
{
    if (options.command == TessaCommand::download)
        return "download " + options.input + " at " + Hex8(options.address) + ", capacity "
               + CapacityName(CapacityBits(options.capacityIndex));
    return "write " + options.input + " at " + Hex8(options.address) + ", flash type "
           + FlashTypeName(options.flashTypeIndex);
}

void CatchStopRequests(FlashStop& stop)
{
    if (!g_done)
        g_done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_stop = &stop;
    ::SetConsoleCtrlHandler(&OnControl, TRUE);
}

void BoardsDone()
{
    g_stop = nullptr;
    if (g_done)
        ::SetEvent(g_done);
}

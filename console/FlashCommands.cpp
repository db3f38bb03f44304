#include "FlashCommands.h"
#include "C_USBCmd.h"
#include "CFile.h"
#include "DownloadLog.h"
#include "DownloadMath.h"
#include "FlashSequence.h"
#include "ModuleDir.h"
#include "StatusLine.h"
#include "StringConv.h"
#include "WriterPlan.h"
#include <atomic>
#include <cstdio>
#include <thread>

namespace {

std::atomic<bool> g_stop{ false };

std::string Hex8(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// Prints a run's stages, its erase time and its programming progress.
class ConsoleFlashReport : public FlashReport {
public:
    explicit ConsoleFlashReport(ConsoleOutput& out) : m_out(out) {}
    ~ConsoleFlashReport() { StopTicker(); }

    void Stage(FlashStage stage) override
    {
        switch (stage) {
        case FlashStage::openingDevice:
            m_out.Info("opening the device");
            break;
        case FlashStage::erasing:
            // On a console the erase's own line counts the seconds instead.
            if (m_out.Style() != OutputStyle::console)
                m_out.Info("erasing the flash");
            break;
        case FlashStage::programming:
            m_programming = true;
            break;
        case FlashStage::deviceReady:
            break;
        }
    }

    void Progress(uint32_t done, uint32_t total) override
    {
        if (m_programming)
            m_out.Progress("programming", done, total);
    }

    void EraseStarted() override
    {
        m_eraseStart = ::GetTickCount();
        if (m_out.Style() != OutputStyle::console)
            return;
        m_ticking = true;
        m_ticker = std::thread([this] {
            while (m_ticking) {
                m_out.Elapsed("erasing the flash", (::GetTickCount() - m_eraseStart) / 1000.0);
                ::Sleep(250);
            }
        });
    }

    void EraseEnded(bool erased) override
    {
        StopTicker();
        char text[64];
        std::snprintf(text, sizeof text, "erase %s after %.1f s", erased ? "done" : "failed",
                      (::GetTickCount() - m_eraseStart) / 1000.0);
        m_out.Info(text);
    }

    bool Cancelled() override { return g_stop; }

private:
    void StopTicker()
    {
        m_ticking = false;
        if (m_ticker.joinable())
            m_ticker.join();
    }

    ConsoleOutput& m_out;
    bool m_programming = false;
    DWORD m_eraseStart = 0;
    std::atomic<bool> m_ticking{ false };
    std::thread m_ticker;
};

// Polls until no device opens any more, or a stop is requested.
void WaitUntilRemoved(C_USBCmd& usb)
{
    while (!g_stop) {
        const int handle = usb.Open(0);
        if (handle < 0)
            return;
        usb.Close(handle);
        ::Sleep(kBoardPollMs);
    }
}

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

int CheckImage(const TessaOptions& options, ConsoleOutput& out)
{
    CFile file;
    if (!file.Open(WideFromUtf8(options.image).c_str(), CFile::modeRead | CFile::shareDenyNone)) {
        out.Error("image file not found or unreadable: " + options.image);
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
    job.imagePath = WideFromUtf8(options.image);
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
        return "download " + options.image + " at " + Hex8(options.address) + ", capacity "
               + CapacityName(CapacityBits(options.capacityIndex));
    return "write " + options.image + " at " + Hex8(options.address) + ", flash type "
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

int RunFlashCommand(const TessaOptions& options, ConsoleOutput& out)
{
    if (!options.devices.empty())
        return RunGangCommand(options, out);
    const bool download = options.command == TessaCommand::download;
    int checked = CheckImage(options, out);
    if (checked != kExitOk)
        return checked;
    C_USBCmd usb(false);
    if (!LoadDriver(usb, out))
        return kExitFailed;
    CatchStopRequests();

    const FlashJob job = FlashJobOf(options);
    const std::wstring logPath = FlashLogPath(options);
    const std::string what = download ? "download" : "write";
    out.Info(FlashTitle(options));

    unsigned int good = 0, failed = 0;
    for (unsigned int board = 1;; ++board) {
        if (options.loop)
            out.Info("board " + std::to_string(board) + ": waiting for the device");
        const DWORD started = ::GetTickCount();
        ConsoleFlashReport report(out);
        FlashOutcome outcome;
        const int result = RunFlashSequence(usb, job, FlashPolicyOf(options), report, &outcome);
        const DWORD elapsed = ::GetTickCount() - started;
        out.EndProgress();
        // Stopped while waiting for a board that never came: no board.
        if (options.loop && !outcome.deviceOpened && g_stop)
            break;

        const DownloadLogEntry entry = FlashLogEntry(options, job, outcome, elapsed);
        std::string logError;
        if (!options.noLog && !AppendDownloadLog(logPath, entry, &logError))
            out.Error("warning: download log not written to " + Utf8FromWide(logPath) + ": " + logError);

        const std::string prefix = options.loop ? "board " + std::to_string(board) + ": " : std::string();
        if (result) {
            ++good;
            char text[96];
            std::snprintf(text, sizeof text, "%s%s OK: %u bytes in %.2f s", prefix.c_str(), what.c_str(),
                          outcome.imageSize, elapsed / 1000.0);
            out.Info(text);
        } else {
            ++failed;
            out.Error(prefix + what + " failed: " + entry.result);
        }
        if (!options.loop)
            return result ? kExitOk : kExitFailed;
        out.Info("good " + std::to_string(good) + ", failed " + std::to_string(failed));
        if (g_stop || (options.count && good + failed >= options.count))
            break;
        out.Info("board " + std::to_string(board) + ": remove it to go on");
        WaitUntilRemoved(usb);
        if (g_stop)
            break;
    }
    return failed ? kExitFailed : kExitOk;
}

int RunConnectCommand(const TessaOptions& options, ConsoleOutput& out)
{
    C_USBCmd usb(false);
    if (!LoadDriver(usb, out))
        return kExitFailed;
    const int bits = CapacityBits(options.capacityIndex);
    const int handle = usb.Open(0);
    if (handle < 0) {
        out.Error("no device answered: is the programmer plugged in?");
        return kExitFailed;
    }
    usb.Close(handle);
    out.Info("connected: KP6600 HID, SPI flash, capacity " + CapacityName(bits) + " (" + std::to_string(bits)
             + " bits)");
    return kExitOk;
}

#include "FlashCommands.h"
#include "FlashJobs.h"
#include "GangCommand.h"
#include "C_USBCmd.h"
#include "CFile.h"
#include "DownloadLog.h"
#include "DownloadMath.h"
#include "FlashSequence.h"
#include "ModuleDir.h"
#include "StatusLine.h"
#include "StringConv.h"
#include "FlashRange.h"
#include <atomic>
#include <cstdio>
#include <thread>

namespace {

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

    bool Cancelled() override { return StopRequested(); }

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
    while (!StopRequested()) {
        const int handle = usb.Open(0);
        if (handle < 0)
            return;
        usb.Close(handle);
        ::Sleep(kBoardPollMs);
    }
}

}  // namespace

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
        if (options.loop && !outcome.deviceOpened && StopRequested())
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
        if (StopRequested() || (options.count && good + failed >= options.count))
            break;
        out.Info("board " + std::to_string(board) + ": remove it to go on");
        WaitUntilRemoved(usb);
        if (StopRequested())
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

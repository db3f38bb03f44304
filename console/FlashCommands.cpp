#include "FlashCommands.h"
#include "BoardStation.h"
#include "FlashJobs.h"
#include "GangCommand.h"
#include "C_USBCmd.h"
#include "Capacities.h"
#include "RunClock.h"
#include <atomic>
#include <cstdio>
#include <thread>

namespace {

// One board's view: its stages, the device's attempts, the erase's time, its
// programming progress, and with --loop the board numbers and counts.
class OneBoardView : public StationView {
public:
    OneBoardView(ConsoleOutput& out, const TessaOptions& options)
        : m_out(out), m_loop(options.loop),
          m_what(options.command == TessaCommand::download ? "download" : "write")
    {
    }
    ~OneBoardView() { StopTicker(); }

    void Awaiting(unsigned int board) override
    {
        m_board = board;
        m_out.Info(Prefix() + "waiting for the device");
    }

    void Stage(FlashStage stage) override
    {
        switch (stage) {
        case FlashStage::openingDevice:
            m_programming = false;
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

    void OpenFailed(unsigned int attempt, unsigned int attempts) override
    {
        // A loop waits for the next board as long as it takes, quietly.
        if (attempts)
            m_out.Status("waiting for the device: attempt " + std::to_string(attempt) + " of "
                         + std::to_string(attempts) + " found none");
    }

    void Progress(uint32_t done, uint32_t total) override
    {
        if (m_programming)
            m_out.Progress("programming", done, total);
    }

    void EraseStarted() override
    {
        if (m_out.Style() != OutputStyle::console)
            return;
        m_ticking = true;
        m_ticker = std::thread([this] {
            const RunClock erase;
            while (m_ticking) {
                m_out.Elapsed("erasing the flash", erase.Seconds());
                ::Sleep(250);
            }
        });
    }

    void EraseTook(bool erased, uint64_t milliseconds) override
    {
        StopTicker();
        char text[64];
        std::snprintf(text, sizeof text, "erase %s after %.1f s", erased ? "done" : "failed",
                      static_cast<double>(milliseconds) / 1000.0);
        m_out.Info(text);
    }

    void Finished(const FlashBoardResult& result) override
    {
        m_out.EndProgress();
        if (!result.logError.empty())
            m_out.Error("warning: download log not written: " + result.logError);
    }

    void Counted(unsigned int, const FlashBoardResult& result, const BoardTally& tally) override
    {
        if (result.outcome.result) {
            char text[96];
            std::snprintf(text, sizeof text, "%s%s OK: %u bytes in %.2f s", Prefix().c_str(), m_what.c_str(),
                          result.outcome.imageSize, static_cast<double>(result.milliseconds) / 1000.0);
            m_out.Info(text);
        } else {
            m_out.Error(Prefix() + m_what + " failed: " + result.resultText);
        }
        if (m_loop)
            m_out.Info("good " + std::to_string(tally.good) + ", failed " + std::to_string(tally.failed));
    }

    void RemoveBoard(unsigned int board) override
    {
        m_out.Info("board " + std::to_string(board) + ": remove it to go on");
    }

private:
    std::string Prefix() const { return m_loop ? "board " + std::to_string(m_board) + ": " : std::string(); }
    void StopTicker()
    {
        m_ticking = false;
        if (m_ticker.joinable())
            m_ticker.join();
    }

    ConsoleOutput& m_out;
    const bool m_loop;
    const std::string m_what;
    unsigned int m_board = 1;
    bool m_programming = false;
    std::atomic<bool> m_ticking{ false };
    std::thread m_ticker;
};

}  // namespace

int RunFlashCommand(const TessaOptions& options, ConsoleOutput& out)
{
    if (!options.devices.empty())
        return RunGangCommand(options, out);
    int checked = CheckImage(options, out);
    if (checked != kExitOk)
        return checked;
    C_USBCmd usb(false);
    if (!LoadDriver(usb, out))
        return kExitFailed;
    FlashStop stop(BoardsToRun(options));
    CatchStopRequests(stop);

    out.Info(FlashTitle(options));
    OneBoardView view(out, options);
    const BoardTally tally = RunStation(usb, FlashSessionOf(options), stop, options.loop, view);
    BoardsDone();
    if (!options.loop && tally.good + tally.failed == 0) {
        // Stopped before the device opened: no board, nothing logged.
        out.Error(std::string(options.command == TessaCommand::download ? "download" : "write")
                  + " failed: cancelled before the device opened");
        return kExitFailed;
    }
    return tally.failed ? kExitFailed : kExitOk;
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

// Several boards at once (--devices): one thread per device number, each
// with its own binding and handle, running the single-board sequence on the
// image read once and shared. With --loop each device number is a station
// of its own, board after board.
#include "FlashJobs.h"
#include "GangCommand.h"
#include "GangDisplay.h"
#include "C_USBCmd.h"
#include "CFile.h"
#include "StringConv.h"
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

namespace {

struct Gang;

// Which board holds which device handle. A driver that allows one bridge at
// a time may hand a second open the handle of the first; no board may then
// use or close another's.
class HeldHandles {
public:
    // False, with the holder's device number, when another board holds it.
    bool Take(int handle, int device, int* holder)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        const auto held = m_held.find(handle);
        if (held != m_held.end() && held->second != device) {
            *holder = held->second;
            return false;
        }
        m_held[handle] = device;
        return true;
    }
    // False when the device does not hold it.
    bool Give(int handle, int device)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        const auto held = m_held.find(handle);
        if (held == m_held.end() || held->second != device)
            return false;
        m_held.erase(held);
        return true;
    }

private:
    std::mutex m_lock;
    std::map<int, int> m_held;
};

// Everything the boards share: the job with its image, the log, the output,
// the handles and the counts.
struct Gang {
    Gang(const TessaOptions& given, ConsoleOutput& out) : options(given), display(out, given.devices, given.loop) {}

    // A board that has just opened its device takes one of --count's boards;
    // false when they are all taken.
    bool Claim()
    {
        std::lock_guard<std::mutex> lock(countLock);
        if (options.count && claimed >= options.count)
            return false;
        ++claimed;
        return true;
    }
    bool CountReached()
    {
        std::lock_guard<std::mutex> lock(countLock);
        return options.count && claimed >= options.count;
    }
    void Count(size_t board, bool good)
    {
        std::lock_guard<std::mutex> lock(countLock);
        ++(good ? stations[board].first : stations[board].second);
        ++(good ? allGood : allFailed);
        if (options.loop)
            display.Counts(board, stations[board].first, stations[board].second, allGood, allFailed);
    }

    const TessaOptions& options;
    FlashJob job;
    std::wstring logPath;
    GangDisplay display;
    HeldHandles handles;
    std::mutex countLock;
    unsigned claimed = 0, allGood = 0, allFailed = 0;
    std::map<size_t, std::pair<unsigned, unsigned>> stations;  // good and failed of each
};

// One board's binding to the driver: hands the sequence only handles no
// other board holds, and never closes another board's.
class BoardUsb : public C_USBCmd {
public:
    BoardUsb(Gang& gang, int device) : C_USBCmd(false), m_gang(gang), m_device(device) {}

    // A run's open takes one of the boards to count; opens between runs (is
    // the board still there?) take none.
    void StartRun()
    {
        m_inRun = true;
        m_opened = m_ticket = false;
    }
    void EndRun() { m_inRun = false; }

    int Open(int deviceNumber) override
    {
        const int handle = C_USBCmd::Open(deviceNumber);
        if (handle < 0)
            return handle;
        int holder = 0;
        if (!m_gang.handles.Take(handle, m_device, &holder)) {
            m_clash = "device " + std::to_string(m_device) + " got handle " + std::to_string(handle)
                      + ", which board " + std::to_string(holder)
                      + " holds: the driver may not allow several bridges open at once";
            return -1;
        }
        if (m_inRun && !m_opened) {
            m_opened = true;
            m_ticket = m_gang.Claim();
        }
        return handle;
    }

    void Close(int handle) override
    {
        if (handle < 0 || m_gang.handles.Give(handle, m_device))
            C_USBCmd::Close(handle);
    }

    // Why the board can't go on with this driver; empty while it can.
    const std::string& Clash() const { return m_clash; }
    bool Opened() const { return m_opened; }
    bool Ticket() const { return m_ticket; }

private:
    Gang& m_gang;
    const int m_device;
    bool m_inRun = false, m_opened = false, m_ticket = false;
    std::string m_clash;
};

// Turns one board's run into its line, and tells the run when to stop.
class BoardReport : public FlashReport {
public:
    BoardReport(Gang& gang, size_t board, BoardUsb& usb) : m_gang(gang), m_board(board), m_usb(usb) {}

    void Stage(FlashStage stage) override
    {
        if (stage == FlashStage::openingDevice)
            m_gang.display.Status(m_board, m_gang.options.loop ? "waiting for the device" : "opening the device");
        else if (stage == FlashStage::programming)
            m_programming = true;
    }

    void Progress(uint32_t done, uint32_t total) override
    {
        // A board called off before programming shows no programming.
        if (m_programming && !Cancelled())
            m_gang.display.Progress(m_board, done, total);
    }

    void EraseStarted() override
    {
        m_eraseStart = ::GetTickCount();
        m_gang.display.Erasing(m_board);
    }

    void EraseEnded(bool erased) override
    {
        m_gang.display.Status(m_board, std::string(erased ? "erase done" : "erase failed") + " after "
                                           + Seconds(::GetTickCount() - m_eraseStart));
    }

    // A stop, a clash, or (before the device opened, or for a board past
    // --count) every board already counted.
    bool Cancelled() override
    {
        if (StopRequested() || !m_usb.Clash().empty())
            return true;
        return m_usb.Opened() ? !m_usb.Ticket() : m_gang.CountReached();
    }

private:
    Gang& m_gang;
    const size_t m_board;
    BoardUsb& m_usb;
    bool m_programming = false;
    DWORD m_eraseStart = 0;
};

// One run on one board, logged and shown. False when it was no board: a
// station stopped while waiting, or the count was reached elsewhere.
bool RunBoard(Gang& gang, size_t board, BoardUsb& usb, bool* good)
{
    const TessaOptions& options = gang.options;
    FlashJob job = gang.job;
    job.deviceNumber = options.devices[board];
    BoardReport report(gang, board, usb);
    FlashOutcome outcome;
    usb.StartRun();
    const DWORD started = ::GetTickCount();
    const int result = RunFlashSequence(usb, job, FlashPolicyOf(options), report, &outcome);
    const DWORD elapsed = ::GetTickCount() - started;
    usb.EndRun();
    if (options.loop && usb.Clash().empty() && !usb.Ticket())
        return false;

    DownloadLogEntry entry = FlashLogEntry(options, job, outcome, elapsed);
    if (!usb.Clash().empty())
        entry.result = usb.Clash();
    std::string logError;
    if (!options.noLog && !AppendDownloadLog(gang.logPath, entry, &logError))
        gang.display.Error("warning: download log not written to " + Utf8FromWide(gang.logPath) + ": " + logError);
    *good = result != 0;
    gang.display.Result(board, *good,
                        *good ? "OK, " + std::to_string(outcome.imageSize) + " bytes in " + Seconds(elapsed)
                              : "FAILED, " + entry.result);
    gang.Count(board, *good);
    return true;
}

// Polls until the station's device no longer opens, or no more boards are due.
void WaitUntilRemoved(Gang& gang, BoardUsb& usb, int device)
{
    while (!StopRequested() && !gang.CountReached()) {
        const int handle = usb.Open(device);
        if (handle < 0)
            return;
        usb.Close(handle);
        ::Sleep(kBoardPollMs);
    }
}

// Board after board on one device number, until a stop, the count, or a
// driver that gives it another board's handle.
void RunStation(Gang& gang, size_t board, BoardUsb& usb)
{
    for (;;) {
        bool good = false;
        if (!RunBoard(gang, board, usb, &good))
            return;
        if (!usb.Clash().empty()) {
            gang.display.Status(board, "stopped: it can't have a handle of its own");
            return;
        }
        if (StopRequested() || gang.CountReached())
            return;
        gang.display.Status(board, "remove it to go on");
        WaitUntilRemoved(gang, usb, gang.options.devices[board]);
    }
}

// The image file's bytes, read once; null after saying why not.
std::shared_ptr<const std::vector<unsigned char>> ReadImage(const TessaOptions& options, ConsoleOutput& out)
{
    const std::string what = options.command == TessaCommand::download ? "download" : "write";
    CFile file;
    if (!file.Open(WideFromUtf8(options.input).c_str(), CFile::modeRead | CFile::shareDenyWrite)) {
        out.Error(what + " failed: image file can't be opened");
        return nullptr;
    }
    const uint64_t length = file.GetLength();
    auto bytes = std::make_shared<std::vector<unsigned char>>();
    try {
        if (length > std::numeric_limits<size_t>::max() / 2)
            throw std::bad_alloc();
        bytes->resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        out.Error(what + " failed: the image, " + std::to_string(length) + " bytes, does not fit in memory");
        return nullptr;
    }
    for (size_t at = 0; at < bytes->size();) {
        const size_t left = bytes->size() - at;
        const UINT want = left < (1u << 24) ? static_cast<UINT>(left) : (1u << 24);
        if (file.Read(bytes->data() + at, want) != want) {
            out.Error(what + " failed: image file read failed");
            return nullptr;
        }
        at += want;
    }
    return bytes;
}

}  // namespace

int RunGangCommand(const TessaOptions& options, ConsoleOutput& out)
{
    const int checked = CheckImage(options, out);
    if (checked != kExitOk)
        return checked;
    {
        C_USBCmd usb(false);
        if (!LoadDriver(usb, out))
            return kExitFailed;
    }
    Gang gang(options, out);
    gang.job = FlashJobOf(options);
    gang.job.image = ReadImage(options, out);
    if (!gang.job.image)
        return kExitFailed;
    gang.logPath = FlashLogPath(options);
    CatchStopRequests();

    std::string devices;
    for (int device : options.devices)
        devices += (devices.empty() ? "" : ", ") + std::to_string(device);
    out.Info(FlashTitle(options) + ", devices " + devices);
    std::vector<std::unique_ptr<BoardUsb>> usbs;
    for (int device : options.devices) {
        usbs.push_back(std::make_unique<BoardUsb>(gang, device));
        usbs.back()->LoadDriver();
    }
    gang.display.Open();
    std::vector<std::thread> boards;
    for (size_t board = 0; board < usbs.size(); ++board) {
        boards.emplace_back([&gang, &usbs, board] {
            bool good = false;
            if (gang.options.loop)
                RunStation(gang, board, *usbs[board]);
            else
                RunBoard(gang, board, *usbs[board], &good);
        });
    }
    for (std::thread& board : boards)
        board.join();
    gang.display.Close();

    if (options.loop) {
        for (size_t board = 0; board < options.devices.size(); ++board)
            out.Info("board " + std::to_string(options.devices[board]) + ": "
                     + GangDisplay::CountText(gang.stations[board].first, gang.stations[board].second));
        out.Info("all boards: " + GangDisplay::CountText(gang.allGood, gang.allFailed));
    } else {
        out.Info(std::to_string(options.devices.size()) + " boards: " + std::to_string(gang.allGood) + " good, "
                 + std::to_string(gang.allFailed) + " failed");
    }
    return gang.allFailed ? kExitFailed : kExitOk;
}

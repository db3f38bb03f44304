// Several boards at once (--devices): one thread per device number, each
// with its own binding and handle, running the single-board sequence on the
// image read once and shared. With --loop each device number is a station
// of its own, board after board.
#include "BoardStation.h"
#include "FlashJobs.h"
#include "GangCommand.h"
#include "GangDisplay.h"
#include "C_USBCmd.h"
#include "CFile.h"
#include "StringConv.h"
#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

namespace {

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
    bool Holds(int handle, int device)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        const auto held = m_held.find(handle);
        return held != m_held.end() && held->second == device;
    }
    void Release(int handle)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_held.erase(handle);
    }

private:
    std::mutex m_lock;
    std::map<int, int> m_held;
};

// One board's device: the handle bookkeeping around its own binding. It
// hands the session only handles no other board holds, never closes another
// board's, and releases a handle to the others only once the driver has
// closed it.
class BoardDevice : public FlashDeviceFilter {
public:
    BoardDevice(FlashDevice& device, HeldHandles& handles, int deviceNumber)
        : FlashDeviceFilter(device), m_handles(handles), m_deviceNumber(deviceNumber)
    {
    }

    int Open(int deviceNumber) override
    {
        const int handle = FlashDeviceFilter::Open(deviceNumber);
        if (handle < 0)
            return handle;
        int holder = 0;
        if (!m_handles.Take(handle, m_deviceNumber, &holder)) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_clash = "device " + std::to_string(m_deviceNumber) + " got handle " + std::to_string(handle)
                      + ", which board " + std::to_string(holder)
                      + " holds: the driver may not allow several bridges open at once";
            return -1;
        }
        return handle;
    }
    void Close(int handle) override
    {
        if (handle < 0) {
            FlashDeviceFilter::Close(handle);
        } else if (m_handles.Holds(handle, m_deviceNumber)) {
            FlashDeviceFilter::Close(handle);
            m_handles.Release(handle);
        }
    }

    // Why the board can't go on with this driver (another board holds the
    // handle it was given); empty while it can.
    std::string ClashReason()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_clash;
    }

private:
    HeldHandles& m_handles;
    const int m_deviceNumber;
    std::mutex m_lock;
    std::string m_clash;
};

// Everything the boards share: the display and the counts of every station.
struct Gang {
    Gang(const TessaOptions& given, ConsoleOutput& out)
        : options(given), display(out, given.devices, given.loop), stations(given.devices.size())
    {
    }

    void Count(size_t board, const BoardTally& tally, bool good)
    {
        std::lock_guard<std::mutex> lock(countLock);
        stations[board] = tally;
        ++(good ? all.good : all.failed);
        if (options.loop)
            display.Counts(board, tally.good, tally.failed, all.good, all.failed);
    }

    const TessaOptions& options;
    GangDisplay display;
    std::mutex countLock;
    BoardTally all;
    std::vector<BoardTally> stations;
};

// One station's line of the gang's display.
class GangStationView : public StationView {
public:
    GangStationView(Gang& gang, size_t board, BoardDevice& device, const FlashStop& stop)
        : m_gang(gang), m_board(board), m_device(device), m_stop(stop)
    {
    }

    void Stage(FlashStage stage) override
    {
        if (stage == FlashStage::openingDevice) {
            m_programming = false;
            m_gang.display.Status(m_board, m_gang.options.loop ? "waiting for the device" : "opening the device");
        } else if (stage == FlashStage::programming) {
            m_programming = true;
        }
    }

    void Progress(uint32_t done, uint32_t total) override
    {
        // A board called off before programming shows no programming.
        if (m_programming && !m_stop.Requested())
            m_gang.display.Progress(m_board, done, total);
    }

    void EraseStarted() override { m_gang.display.Erasing(m_board); }

    void EraseTook(bool erased, uint64_t milliseconds) override
    {
        m_gang.display.Status(m_board, std::string(erased ? "erase done" : "erase failed") + " after "
                                           + Seconds(milliseconds));
    }

    std::string DeviceFault() override { return m_device.ClashReason(); }

    void Finished(const FlashBoardResult& result) override
    {
        if (!result.logError.empty())
            m_gang.display.Error("warning: download log not written: " + result.logError);
    }

    void Counted(unsigned int, const FlashBoardResult& result, const BoardTally& tally) override
    {
        const bool good = result.outcome.result != 0;
        m_gang.display.Result(m_board, good,
                              good ? "OK, " + std::to_string(result.outcome.imageSize) + " bytes in "
                                         + Seconds(result.milliseconds)
                                   : "FAILED, " + result.resultText);
        m_gang.Count(m_board, tally, good);
    }

    void RemoveBoard(unsigned int) override { m_gang.display.Status(m_board, "remove it to go on"); }

    bool CanGoOn() override
    {
        if (m_device.ClashReason().empty())
            return true;
        m_gang.display.Status(m_board, "stopped: it can't have a handle of its own");
        return false;
    }

private:
    Gang& m_gang;
    const size_t m_board;
    BoardDevice& m_device;
    const FlashStop& m_stop;
    bool m_programming = false;
};

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
    FlashSessionJob session = FlashSessionOf(options);
    session.job.image = ReadImage(options, out);
    if (!session.job.image)
        return kExitFailed;
    Gang gang(options, out);
    FlashStop stop(BoardsToRun(options));
    CatchStopRequests(stop);

    std::string devices;
    for (int device : options.devices)
        devices += (devices.empty() ? "" : ", ") + std::to_string(device);
    out.Info(FlashTitle(options) + ", devices " + devices);
    HeldHandles handles;
    std::vector<std::unique_ptr<C_USBCmd>> usbs;
    std::vector<std::unique_ptr<BoardDevice>> boards;
    for (int device : options.devices) {
        usbs.push_back(std::make_unique<C_USBCmd>(false));
        usbs.back()->LoadDriver();
        boards.push_back(std::make_unique<BoardDevice>(*usbs.back(), handles, device));
    }
    gang.display.Open();
    std::vector<std::thread> stations;
    for (size_t board = 0; board < boards.size(); ++board) {
        stations.emplace_back([&, board] {
            FlashSessionJob station = session;
            station.job.deviceNumber = options.devices[board];
            GangStationView view(gang, board, *boards[board], stop);
            RunStation(*boards[board], station, stop, options.loop, view);
        });
    }
    for (std::thread& station : stations)
        station.join();
    BoardsDone();
    gang.display.Close();

    if (options.loop) {
        for (size_t board = 0; board < options.devices.size(); ++board)
            out.Info("board " + std::to_string(options.devices[board]) + ": "
                     + GangDisplay::CountText(gang.stations[board].good, gang.stations[board].failed));
        out.Info("all boards: " + GangDisplay::CountText(gang.all.good, gang.all.failed));
    } else {
        out.Info(std::to_string(options.devices.size()) + " boards: " + std::to_string(gang.all.good) + " good, "
                 + std::to_string(gang.all.failed) + " failed");
    }
    return gang.all.failed ? kExitFailed : kExitOk;
}

// One board's flash session, the same for every front end (the download
// panel, the Writer dialog, the console program on one board or several, once
// or board after board): the run with its policy, its timing, the stop rule
// and its log line. The session tells its client what happens through one
// report interface; the client only shows it.
#pragma once
#include "DownloadLog.h"
#include "FlashDevice.h"
#include "FlashSequence.h"
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

// When boards stop, one rule for every front end, shared by every board of
// a gang. A stop (Ctrl+C, closing the window or the console, Cancel) or the
// boards to run all claimed: a board not yet started is not started and not
// logged; a board in flight ends at its next check and is logged cancelled;
// a board that already ended keeps its result. A board starts when its
// device opens.
class FlashStop {
public:
    // boards: how many boards may start; 0 for no limit.
    explicit FlashStop(unsigned int boards = 0) : m_boards(boards) {}
    FlashStop(const FlashStop&) = delete;
    FlashStop& operator=(const FlashStop&) = delete;

    void Request() { m_requested = true; }
    bool Requested() const { return m_requested; }
    // Another board may still start.
    bool Due();
    // A board whose device has just opened starts, unless it may not.
    bool Claim();

private:
    std::atomic<bool> m_requested{ false };
    std::mutex m_lock;
    const unsigned int m_boards;
    unsigned int m_claimed = 0;
};

// What a session runs, and how it is logged.
struct FlashSessionJob {
    FlashJob job;
    FlashPolicy policy = kDownloadPolicy;
    const char* program = "Tessaline";     // the log's program: "Tessaline" or "tessa"
    const char* operation = "download";    // "download" or "write"
    std::wstring logPath;                  // empty: the run is not logged
};

// How one board's session ended.
struct FlashBoardResult {
    // False when the board never started (see FlashStop): nothing was
    // written to it and nothing logged.
    bool started = false;
    FlashOutcome outcome;
    // "ok" or why not, as logged.
    std::string resultText;
    // From the device's open to its close; 0 when it never opened.
    uint64_t milliseconds = 0;
    // Why the log line could not be written; empty when it was (or none was due).
    std::string logError;
};

// What the session tells its client, on the session's thread. The run's own
// reports (stages, progress, failures) come as the sequence makes them.
class FlashSessionReport : public FlashReport {
public:
    // The erase has ended after this long.
    virtual void EraseTook(bool erased, uint64_t milliseconds) {}
    // Why the device can't be used any more, beyond the run's own failures
    // (a gang's handle clash); logged as the result when not empty. Asked as
    // the run ends, and between steps through Cancelled.
    virtual std::string DeviceFault() { return std::string(); }
    // The run has ended and the device is closed; its log line is written
    // next (result.logError is not known yet).
    virtual void Ended(const FlashBoardResult& result) {}
    // The session's last word, after the log line is written.
    virtual void Finished(const FlashBoardResult& result) {}

protected:
    ~FlashSessionReport() = default;
};

// Runs one board: nothing at all when the stop says no more boards start;
// otherwise the run, timed from the device's open to its close, and its log
// line unless it never started.
FlashBoardResult RunFlashBoard(FlashDevice& device, const FlashSessionJob& session, FlashStop& stop,
                               FlashSessionReport& report);

// The log line of a board (its time is added as it is written).
DownloadLogEntry FlashLogEntry(const FlashSessionJob& session, const FlashBoardResult& result);

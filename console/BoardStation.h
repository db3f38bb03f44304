// A station: one device number's boards, one after another with --loop,
// each run through the flash session. The console's two displays (one board,
// several at once) are views of stations.
#pragma once
#include "FlashSession.h"

struct BoardTally {
    unsigned int good = 0;
    unsigned int failed = 0;
};

// What a station shows, besides the session's own reports.
class StationView : public FlashSessionReport {
public:
    // The station's board number `board` (from 1) is awaited; only with --loop.
    virtual void Awaiting(unsigned int board) {}
    // A board that started has ended and is counted.
    virtual void Counted(unsigned int board, const FlashBoardResult& result, const BoardTally& tally) {}
    // The board must go before the next one can come.
    virtual void RemoveBoard(unsigned int board) {}
    // Whether the station may run another board (false once its device
    // can't be used).
    virtual bool CanGoOn() { return true; }

protected:
    ~StationView() = default;
};

// How long a loop waits between looks for a board coming or going.
constexpr unsigned int kBoardPollMs = 500;

// Runs the station's boards through the session until the stop says no
// more (see FlashStop), or after one board without loop. Returns the tally.
BoardTally RunStation(FlashDevice& device, const FlashSessionJob& session, FlashStop& stop, bool loop,
                      StationView& view);

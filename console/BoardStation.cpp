#include "BoardStation.h"

namespace {

// Polls until the station's device no longer opens, or no more boards are due.
void WaitUntilRemoved(FlashDevice& device, int deviceNumber, FlashStop& stop)
{
    while (stop.Due()) {
        const int handle = device.Open(deviceNumber);
        if (handle < 0)
            return;
        device.Close(handle);
        ::Sleep(kBoardPollMs);
    }
}

}  // namespace

BoardTally RunStation(FlashDevice& device, const FlashSessionJob& session, FlashStop& stop, bool loop,
                      StationView& view)
{
    BoardTally tally;
    for (unsigned int board = 1; stop.Due(); ++board) {
        if (loop)
            view.Awaiting(board);
        const FlashBoardResult result = RunFlashBoard(device, session, stop, view);
        if (!result.started)
            break;
        ++(result.outcome.result ? tally.good : tally.failed);
        view.Counted(board, result, tally);
        if (!loop || !view.CanGoOn() || !stop.Due())
            break;
        view.RemoveBoard(board);
        WaitUntilRemoved(device, session.job.deviceNumber, stop);
    }
    return tally;
}

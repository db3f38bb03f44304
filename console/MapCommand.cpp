#include "MapCommand.h"
#include "FlashCommands.h"

int RunMapCommand(const TessaOptions& options, ConsoleOutput& out)
{
    out.Error("map: not built yet");
    return kExitFailed;
}

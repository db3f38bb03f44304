// The console program's unpack command: a packed image taken apart into the
// clips as the device plays them, the pictures as it shows them, and its map.
#pragma once
#include "CommandLine.h"
#include "ConsoleOutput.h"

int RunUnpackCommand(const TessaOptions& options, ConsoleOutput& out);

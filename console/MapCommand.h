// The console program's map command: the table of a packed image.
#pragma once
#include "CommandLine.h"
#include "ConsoleOutput.h"

int RunMapCommand(const TessaOptions& options, ConsoleOutput& out);

// The console program's pack command: the builder's chain into one file.
#pragma once
#include "CommandLine.h"
#include "ConsoleOutput.h"

int RunPackCommand(const TessaOptions& options, ConsoleOutput& out);

// The console program's convert command: one audio file or picture through
// its converter library, with the builder's defaults, and decoded back as
// the device will play or show it.
#pragma once
#include "CommandLine.h"
#include "ConsoleOutput.h"

int RunConvertCommand(const TessaOptions& options, ConsoleOutput& out);

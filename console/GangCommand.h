// Several boards at once (--devices).
#pragma once
#include "CommandLine.h"
#include "ConsoleOutput.h"

int RunGangCommand(const TessaOptions& options, ConsoleOutput& out);

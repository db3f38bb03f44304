// The console program's device commands: download, write and connect, once
// or board after board.
#pragma once
#include "CommandLine.h"
#include "ConsoleOutput.h"
#include "ExitCodes.h"

int RunFlashCommand(const TessaOptions& options, ConsoleOutput& out);
int RunConnectCommand(const TessaOptions& options, ConsoleOutput& out);

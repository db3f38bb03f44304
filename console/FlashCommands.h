// The console program's device commands: download, write and connect, once
// or board after board.
#pragma once
#include "CommandLine.h"
#include "ConsoleOutput.h"

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadInput = 2;

int RunFlashCommand(const TessaOptions& options, ConsoleOutput& out);
int RunConnectCommand(const TessaOptions& options, ConsoleOutput& out);

// --set: a media set's files and values as pack, map and unpack take them,
// under the options given beside it.
#pragma once
#include "CommandLine.h"
#include "ConsoleOutput.h"

// Reads options->setFile, when given, into the options not given on the
// command line. False, after one error line, when the set can't be read or
// is refused, or leaves a value the command can't take.
bool ApplyMediaSetFile(TessaOptions* options, ConsoleOutput& out);

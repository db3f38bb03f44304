// The console program's map command: the table of a packed image.
#pragma once
#include "CommandLine.h"
#include "ConsoleFiles.h"
#include "ConsoleOutput.h"
#include "PackedImageMap.h"

int RunMapCommand(const TessaOptions& options, ConsoleOutput& out);

// Reads the packed image open in file with the command line's start
// addresses, clock and capacity, as map does; map->file is options.input.
// False when a read fails (the map is then incomplete).
bool ReadPackedImage(const InputFile& file, const TessaOptions& options, PackedMap* map);

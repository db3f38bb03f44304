#include "MapCommand.h"
#include "Capacities.h"
#include "DownloadLog.h"
#include "ExitCodes.h"
#include "PackedMapWriters.h"
#include "StringConv.h"
#include <cstdio>

bool ReadPackedImage(const InputFile& file, const TessaOptions& options, PackedMap* map)
{
    PackedMapOptions mapOptions;
    if (options.audioStartGiven)
        mapOptions.audioStart = options.audioStart;
    if (options.imageStartGiven)
        mapOptions.imageStart = options.imageStart;
    mapOptions.systemClock = static_cast<uint32_t>(options.clock);
    mapOptions.capacityBytes = static_cast<uint64_t>(CapacityBits(options.capacityIndex)) / 8;
    map->file = options.input;  // UTF-8, as JSON wants it
    return ReadPackedMap(file.Reader(), file.Size(), mapOptions, map);
}

int RunMapCommand(const TessaOptions& options, ConsoleOutput& out)
{
    PackedMap map;
    bool complete = false;
    {
        InputFile file;
        if (!file.Open(WideFromUtf8(options.input))) {
            out.Error("packed image not found or unreadable: " + options.input);
            return kExitBadInput;
        }
        complete = ReadPackedImage(file, options, &map);
    }

    const std::string notPacked = NotPackedImageReason(map);
    if (!notPacked.empty()) {
        out.Error(options.input + " is not a packed image: " + notPacked);
        return kExitFailed;
    }
    // The table is the command's output: shown even with --quiet.
    const std::string text = options.json ? FormatPackedMapJson(map) : FormatPackedMapText(map);
    std::fputs(text.c_str(), stdout);
    if (!text.empty() && text.back() != '\n')
        std::fputs("\n", stdout);
    std::fflush(stdout);
    if (!complete) {
        out.Error("reading the packed image failed: " + options.input);
        return kExitFailed;
    }
    if (!map.problems.empty()) {
        out.Error(std::to_string(map.problemCount) + " problem(s) in " + options.input);
        return kExitFailed;
    }
    return kExitOk;
}

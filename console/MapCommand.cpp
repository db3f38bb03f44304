#include "MapCommand.h"
#include "DownloadLog.h"
#include "FlashCommands.h"
#include "PackedImageMap.h"
#include "StatusLine.h"
#include "StringConv.h"
#include <windows.h>
#include <cstdio>

int RunMapCommand(const TessaOptions& options, ConsoleOutput& out)
{
    HANDLE file = ::CreateFileW(WideFromUtf8(options.image).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size = {};
    if (file == INVALID_HANDLE_VALUE || !::GetFileSizeEx(file, &size)) {
        if (file != INVALID_HANDLE_VALUE)
            ::CloseHandle(file);
        out.Error("packed image not found or unreadable: " + options.image);
        return kExitBadInput;
    }
    ReadAt read = [file](uint64_t offset, void* buffer, size_t bytes) {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        DWORD got = 0;
        return bytes <= 0xFFFFFFFFu && ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN)
               && ::ReadFile(file, buffer, static_cast<DWORD>(bytes), &got, nullptr) && got == bytes;
    };

    PackedMapOptions mapOptions;
    if (options.audioStartGiven)
        mapOptions.audioStart = options.audioStart;
    if (options.imageStartGiven)
        mapOptions.imageStart = options.imageStart;
    mapOptions.systemClock = static_cast<uint32_t>(options.clock);
    mapOptions.capacityBytes = static_cast<uint64_t>(CapacityBits(options.capacityIndex)) / 8;
    PackedMap map;
    map.file = options.image;  // UTF-8, as JSON wants it
    const bool complete = ReadPackedMap(read, static_cast<uint64_t>(size.QuadPart), mapOptions, &map);
    ::CloseHandle(file);

    // The table is the command's output: shown even with --quiet.
    const std::string text = options.json ? FormatPackedMapJson(map) : FormatPackedMapText(map);
    std::fputs(text.c_str(), stdout);
    if (!text.empty() && text.back() != '\n')
        std::fputs("\n", stdout);
    std::fflush(stdout);
    if (!complete) {
        out.Error("reading the packed image failed: " + options.image);
        return kExitFailed;
    }
    if (!map.problems.empty()) {
        out.Error(std::to_string(map.problems.size()) + " problem(s) in " + options.image);
        return kExitFailed;
    }
    return kExitOk;
}

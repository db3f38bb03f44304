// The console program's command line: the command, its image or output,
// and its options, checked for form (not for the files they name).
#pragma once
#include "Capacities.h"
#include <cstdint>
#include <string>
#include <vector>

enum class TessaCommand { help, version, download, write, connect, pack, map, unpack, convert };

// Every text, paths included, is UTF-8.
struct TessaOptions {
    TessaCommand command = TessaCommand::help;
    std::string image;                  // download, write, map, unpack; convert: the source
    int capacityIndex = kDefaultCapacityIndex;
    bool capacityGiven = false;
    uint32_t address = 0;               // download, write: flash address of the image
    int flashTypeIndex = 0;             // "SPI"
    std::vector<int> devices;           // download, write: --devices; empty: device 0 alone
    bool loop = false;
    unsigned int count = 0;             // boards to program with --loop; 0 until Ctrl+C
    bool quiet = false;
    std::string logPath;                // empty: the default log
    bool noLog = false;
    bool json = false;
    // pack, unpack (the folder), convert
    std::string output;
    std::vector<std::string> audio, images;
    std::string format = "APM";
    int rate = 8000;
    int clock = 6144000;
    unsigned char background[3] = { 255, 255, 255 };
    uint32_t audioStart = 0, imageStart = 0;
    bool audioStartGiven = false, imageStartGiven = false;
    bool keepConverted = false;
};

// Reads the arguments after the program's name. False, with a one-line
// reason, when they are not a valid command line.
bool ParseTessaArguments(const std::vector<std::string>& args, TessaOptions* options, std::string* error);

extern const char* const kTessaUsage;

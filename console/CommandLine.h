// The console program's command line: the command, its input or output,
// and its options, checked for form (not for the files they name). The
// commands are the rows of one table (TessaCommands.cpp): the usage, the
// options each command takes, its checks and its run all come from there.
#pragma once
#include "BuilderParams.h"
#include "Capacities.h"
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ConsoleOutput;

enum class TessaCommand { help, version, download, write, connect, pack, map, unpack, convert };

// Every text, paths included, is UTF-8.
struct TessaOptions {
    TessaCommand command = TessaCommand::help;
    std::string input;                  // download, write, map, unpack: the image; convert: the source
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
    std::string format = media::SpeechFormatName(kDefaultSpeechFormat);
    int rate = kDefaultSampleRate;
    int clock = kDefaultSystemClock;
    unsigned char background[3] = { kDefaultBackground[0], kDefaultBackground[1], kDefaultBackground[2] };
    uint32_t audioStart = 0, imageStart = 0;
    bool audioStartGiven = false, imageStartGiven = false;
    // Given on the command line, so that a media set's value doesn't replace it.
    bool formatGiven = false, rateGiven = false, clockGiven = false, backgroundGiven = false;
    std::string setFile;                // pack, map, unpack: --set, a media set's file
    bool keepConverted = false;
    bool replace = false;               // unpack: remove what an earlier unpack left in the folder
};

// One command: what --help says of it, the options it takes, what it needs
// and what runs it.
struct TessaCommandRow {
    TessaCommand command;
    const char* name;
    const char* synopsis;               // after the name: its arguments, continuation lines included
    const char* help;                   // what it does, one or more lines
    std::vector<const char*> options;   // each matched whole
    const char* missingInput;           // the refusal without its one argument; null: it takes none
    const char* missingOutput;          // the refusal without -o; null: it needs none
    bool clockAboveZero;                // --clock 0 is refused
    int (*run)(const TessaOptions& options, ConsoleOutput& out);
};

extern const TessaCommandRow kTessaCommands[];
extern const size_t kTessaCommandCount;

// The row of a command; null for help and version.
const TessaCommandRow* FindTessaCommand(TessaCommand command);

// Reads the arguments after the program's name. False, with a one-line
// reason, when they are not a valid command line.
bool ParseTessaArguments(const std::vector<std::string>& args, TessaOptions* options, std::string* error);

// What --help prints.
std::string TessaUsage();

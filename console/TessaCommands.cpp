// tessa's commands, one row each, in the order --help lists them.
#include "CommandLine.h"
#include "ConvertCommand.h"
#include "FlashCommands.h"
#include "MapCommand.h"
#include "PackCommand.h"
#include "UnpackCommand.h"

const TessaCommandRow kTessaCommands[] = {
    { TessaCommand::download, "download",
      "IMAGE [--capacity 2M|4M|8M|16M|32M|64M] [--address HEX] [--devices LIST]\n"
      "                 [--loop [--count N]]",
      "erase the flash and program the raw image (SPI), as the download panel does;\n"
      "capacity 32M (4 MiB) and address 0 unless given; capacities are megabits:\n"
      "2M (256 KiB), 4M (512 KiB), 8M (1 MiB), 16M (2 MiB), 32M (4 MiB), 64M (8 MiB)",
      { "--capacity", "--address", "--devices", "--loop", "--count", "--log", "--no-log", "--quiet" },
      "download needs an image file", nullptr, false, RunFlashCommand },
    { TessaCommand::write, "write",
      "IMAGE [--flash-type SPI|KP6X|NAND] [--address HEX] [--devices LIST]\n"
      "              [--loop [--count N]]",
      "erase the flash and write the image as the Writer dialog does",
      { "--flash-type", "--address", "--devices", "--loop", "--count", "--log", "--no-log", "--quiet" },
      "write needs an image file", nullptr, false, RunFlashCommand },
    { TessaCommand::connect, "connect", "[--capacity C]", "open and close the device once",
      { "--capacity", "--quiet" }, nullptr, nullptr, false, RunConnectCommand },
    { TessaCommand::pack, "pack",
      "-o OUT [--audio FILE]... [--image FILE]... [--format APM|MDM] [--rate HZ]\n"
      "       [--clock HZ] [--background R,G,B] [--audio-start HEX] [--image-start HEX]\n"
      "       [--keep-converted]\n"
      "  tessa pack --set FILE -o OUT [value options as above] [--keep-converted]",
      "convert the files and pack them into OUT, as the builder's Write does; without\n"
      "--image-start the images go to the first 4 KiB boundary after the audio;\n"
      "with --set the files and values of a media set, its image start as given",
      { "-o", "--output", "--audio", "--image", "--format", "--rate", "--clock", "--background", "--audio-start",
        "--image-start", "--keep-converted", "--set", "--quiet" },
      nullptr, "pack needs an output file: -o OUT", false, RunPackCommand },
    { TessaCommand::map, "map",
      "IMAGE [--json] [--audio-start HEX] [--image-start HEX] [--clock HZ] [--capacity C]\n"
      "           [--set FILE]",
      "print the table of a packed image; --set takes the start addresses and the clock\n"
      "from a media set",
      { "--json", "--audio-start", "--image-start", "--clock", "--capacity", "--set", "--quiet" },
      "map needs an image file", nullptr, false, RunMapCommand },
    { TessaCommand::unpack, "unpack",
      "IMAGE -o DIR [--audio-start HEX] [--image-start HEX] [--clock HZ] [--capacity C]\n"
      "         [--replace] [--set FILE]",
      "read a packed image as map does and write its clips as audio-01.wav..., its\n"
      "pictures as image-01.png... and map.json into DIR, as the device plays and shows them;\n"
      "DIR is new or empty, or with --replace the files of an earlier unpack in it are\n"
      "removed first (and nothing else); --set as for map",
      { "-o", "--output", "--audio-start", "--image-start", "--clock", "--capacity", "--replace", "--set",
        "--quiet" },
      "unpack needs an image file", "unpack needs an output folder: -o DIR", true, RunUnpackCommand },
    { TessaCommand::convert, "convert",
      "SOURCE -o OUT [--format APM|MDM] [--rate HZ] [--clock HZ] [--background R,G,B]",
      "convert one audio file (OUT .wav) or picture (OUT .png) as pack does and decode it\n"
      "back as the device plays or shows it",
      { "-o", "--output", "--format", "--rate", "--clock", "--background", "--quiet" },
      "convert needs an audio file or a picture", "convert needs an output file: -o OUT", true,
      RunConvertCommand },
};
const size_t kTessaCommandCount = sizeof kTessaCommands / sizeof kTessaCommands[0];

namespace {

const char* const kUsageHead = "usage: tessa [--log FILE | --no-log] [--quiet] COMMAND [options]\n";

const char* const kUsageTail =
    "  --devices LIST\n"
    "               program several boards at once, one per device number (0 to 63):\n"
    "               0-3, 0,2,5 or 0-2,7 (device 0 alone without it); with --loop each\n"
    "               device is a station of its own, and --count counts over all of them\n"
    "  --loop       program board after board as each is plugged in, until Ctrl+C\n"
    "               (or N boards with --count N)\n"
    "  --log FILE   append the download log there instead of\n"
    "               %LOCALAPPDATA%\\Tessaline\\downloads.csv\n"
    "  --no-log     append nothing to the download log\n"
    "  --quiet      no progress or information, only errors\n"
    "  --set FILE   a media set, the builder's lists and values in a text file (README,\n"
    "               \"Media sets\"); the options given beside it override its values\n"
    "  --help, --version\n"
    "\n"
    "exit codes: 0 success; 1 the device or the flash failed (or a library is missing, or\n"
    "            unpack found problems in the packed image);\n"
    "            2 bad usage or bad input (missing file, too big, odd address, unknown option)\n";

}  // namespace

const TessaCommandRow* FindTessaCommand(TessaCommand command)
{
    for (const TessaCommandRow& row : kTessaCommands) {
        if (row.command == command)
            return &row;
    }
    return nullptr;
}

std::string TessaUsage()
{
    std::string usage = kUsageHead;
    usage += "\n";
    for (const TessaCommandRow& row : kTessaCommands) {
        usage += std::string("  ") + row.name + " " + row.synopsis + "\n";
        // Each line of what it does, indented under it.
        for (const char* line = row.help; *line;) {
            const char* end = line;
            while (*end && *end != '\n')
                ++end;
            usage += "      " + std::string(line, end) + "\n";
            line = *end ? end + 1 : end;
        }
    }
    usage += "\n";
    return usage + kUsageTail;
}

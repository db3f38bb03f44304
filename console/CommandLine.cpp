#include "CommandLine.h"
#include "Capacities.h"
#include "DeviceList.h"
#include "FlashTypes.h"
#include "StringConv.h"
#include <cctype>
#include <cstdlib>

const char* const kTessaUsage =
    "usage: tessa [--log FILE | --no-log] [--quiet] COMMAND [options]\n"
    "\n"
    "  download IMAGE [--capacity 2M|4M|8M|16M|32M|64M] [--address HEX] [--devices LIST]\n"
    "                 [--loop [--count N]]\n"
    "      erase the flash and program the raw image (SPI), as the download panel does;\n"
    "      capacity 32M and address 0 unless given\n"
    "  write IMAGE [--flash-type SPI|KP6X|NAND] [--address HEX] [--devices LIST]\n"
    "              [--loop [--count N]]\n"
    "      erase the flash and write the image as the Writer dialog does\n"
    "  connect [--capacity C]\n"
    "      open and close the device once\n"
    "  pack -o OUT [--audio FILE]... [--image FILE]... [--format APM|MDM] [--rate HZ]\n"
    "       [--clock HZ] [--background R,G,B] [--audio-start HEX] [--image-start HEX]\n"
    "       [--keep-converted]\n"
    "      convert the files and pack them into OUT, as the builder's Write does; without\n"
    "      --image-start the images go to the first 4 KiB boundary after the audio\n"
    "  map IMAGE [--json] [--audio-start HEX] [--image-start HEX] [--clock HZ] [--capacity C]\n"
    "      print the table of a packed image\n"
    "  unpack IMAGE -o DIR [--audio-start HEX] [--image-start HEX] [--clock HZ] [--capacity C]\n"
    "      read a packed image as map does and write its clips as audio-01.wav..., its\n"
    "      pictures as image-01.png... and map.json into DIR, as the device plays and shows them\n"
    "  convert SOURCE -o OUT [--format APM|MDM] [--rate HZ] [--clock HZ] [--background R,G,B]\n"
    "      convert one audio file (OUT .wav) or picture (OUT .png) as pack does and decode it\n"
    "      back as the device plays or shows it\n"
    "\n"
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
    "  --help, --version\n"
    "\n"
    "exit codes: 0 success; 1 the device or the flash failed (or a library is missing, or\n"
    "            unpack found problems in the packed image);\n"
    "            2 bad usage or bad input (missing file, too big, odd address, unknown option)\n";

namespace {

// Up to 8 hex digits, with or without "0x".
bool ParseHexArgument(std::string text, uint32_t* value)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text = text.substr(2);
    if (text.empty() || text.size() > 8)
        return false;
    uint32_t result = 0;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
        result = result * 16 + static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c))
                                                          ? c - '0'
                                                          : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10);
    }
    *value = result;
    return true;
}

// A decimal number from 0 to max.
bool ParseDecimalArgument(const std::string& text, long long max, long long* value)
{
    if (text.empty() || text.size() > 10)
        return false;
    long long result = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
        result = result * 10 + (c - '0');
    }
    if (result > max)
        return false;
    *value = result;
    return true;
}

bool ParseColor(const std::string& text, unsigned char* rgb)
{
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        size_t comma = text.find(',', start);
        if ((i < 2) != (comma != std::string::npos))
            return false;
        long long value = 0;
        if (!ParseDecimalArgument(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start),
                                  255, &value))
            return false;
        rgb[i] = static_cast<unsigned char>(value);
        start = comma + 1;
    }
    return true;
}

struct CommandName {
    const char* name;
    TessaCommand command;
    const char* options;  // the options it takes, each followed by a space
};

const CommandName kCommands[] = {
    { "download", TessaCommand::download, "--capacity --address --devices --loop --count --log --no-log --quiet " },
    { "write", TessaCommand::write, "--flash-type --address --devices --loop --count --log --no-log --quiet " },
    { "connect", TessaCommand::connect, "--capacity --quiet " },
    { "pack", TessaCommand::pack,
      "-o --output --audio --image --format --rate --clock --background --audio-start --image-start "
      "--keep-converted --quiet " },
    { "map", TessaCommand::map, "--json --audio-start --image-start --clock --capacity --quiet " },
    { "unpack", TessaCommand::unpack, "-o --output --audio-start --image-start --clock --capacity --quiet " },
    { "convert", TessaCommand::convert, "-o --output --format --rate --clock --background --quiet " },
};

bool TakesValue(const std::string& option)
{
    static const char* const kFlags[] = { "--loop", "--quiet", "--json", "--keep-converted", "--no-log" };
    for (const char* flag : kFlags) {
        if (option == flag)
            return false;
    }
    return true;
}

}  // namespace

bool ParseTessaArguments(const std::vector<std::string>& args, TessaOptions* options, std::string* error)
{
    *options = TessaOptions();
    auto fail = [&](const std::string& reason) {
        *error = reason;
        return false;
    };
    if (args.empty())
        return fail("no command given (try --help)");
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            options->command = TessaCommand::help;
            return true;
        }
    }
    // Options of every command may also come before it.
    size_t first = 0;
    std::string log;
    bool quiet = false, noLog = false;
    while (first < args.size() && (args[first] == "--log" || args[first] == "--quiet" || args[first] == "--no-log")) {
        if (args[first] == "--quiet") {
            quiet = true;
        } else if (args[first] == "--no-log") {
            noLog = true;
        } else {
            if (first + 1 >= args.size())
                return fail("option --log needs a value");
            log = args[++first];
        }
        ++first;
    }
    if (first >= args.size())
        return fail("no command given (try --help)");
    if (args[first] == "--version") {
        if (args.size() > first + 1)
            return fail("--version takes nothing more");
        options->command = TessaCommand::version;
        return true;
    }

    const CommandName* command = nullptr;
    for (const CommandName& candidate : kCommands) {
        if (args[first] == candidate.name)
            command = &candidate;
    }
    if (!command)
        return fail("unknown command '" + args[first] + "' (try --help)");
    options->logPath = log;
    options->quiet = quiet;
    options->noLog = noLog;
    options->command = command->command;
    // Each option matched whole: " --address " is no " -address ".
    const std::string allowed = std::string(" ") + command->options;

    std::vector<std::string> positional;
    for (size_t i = first + 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (allowed.find(" " + arg + " ") == std::string::npos)
            return fail("unknown option '" + arg + "' for " + command->name);
        std::string value;
        if (TakesValue(arg)) {
            if (i + 1 >= args.size())
                return fail("option " + arg + " needs a value");
            value = args[++i];
        }
        long long number = 0;
        if (arg == "--capacity") {
            options->capacityIndex = CapacityIndexOf(value);
            options->capacityGiven = true;
            if (options->capacityIndex < 0)
                return fail("unknown capacity '" + value + "' (2M, 4M, 8M, 16M, 32M or 64M)");
        } else if (arg == "--address") {
            if (!ParseHexArgument(value, &options->address))
                return fail("the address must be hexadecimal, at most 8 digits: '" + value + "'");
        } else if (arg == "--flash-type") {
            options->flashTypeIndex = FlashTypeIndexOf(value);
            if (options->flashTypeIndex < 0)
                return fail("unknown flash type '" + value + "' (SPI, KP6X or NAND)");
        } else if (arg == "--count") {
            if (!ParseDecimalArgument(value, 1000000, &number) || number == 0)
                return fail("the count must be a number from 1: '" + value + "'");
            options->count = static_cast<unsigned int>(number);
        } else if (arg == "--devices") {
            std::string reason;
            if (!ParseDeviceList(value, &options->devices, &reason))
                return fail(reason);
        } else if (arg == "--loop") {
            options->loop = true;
        } else if (arg == "--quiet") {
            options->quiet = true;
        } else if (arg == "--no-log") {
            options->noLog = true;
        } else if (arg == "--log") {
            options->logPath = value;
        } else if (arg == "--json") {
            options->json = true;
        } else if (arg == "-o" || arg == "--output") {
            options->output = value;
        } else if (arg == "--audio") {
            options->audio.push_back(value);
        } else if (arg == "--image") {
            options->images.push_back(value);
        } else if (arg == "--format") {
            if (!SameTextIgnoringCase(value, "APM") && !SameTextIgnoringCase(value, "MDM"))
                return fail("unknown speech format '" + value + "' (APM or MDM)");
            options->format = SameTextIgnoringCase(value, "APM") ? "APM" : "MDM";
        } else if (arg == "--rate" || arg == "--clock") {
            if (!ParseDecimalArgument(value, 99999999, &number))
                return fail(arg + " must be a number of hertz, at most 8 digits: '" + value + "'");
            (arg == "--rate" ? options->rate : options->clock) = static_cast<int>(number);
        } else if (arg == "--background") {
            if (!ParseColor(value, options->background))
                return fail("the background must be R,G,B with values from 0 to 255: '" + value + "'");
        } else if (arg == "--audio-start" || arg == "--image-start") {
            const bool audio = arg == "--audio-start";
            if (!ParseHexArgument(value, audio ? &options->audioStart : &options->imageStart))
                return fail(arg + " must be hexadecimal, at most 8 digits: '" + value + "'");
            (audio ? options->audioStartGiven : options->imageStartGiven) = true;
        } else if (arg == "--keep-converted") {
            options->keepConverted = true;
        }
    }

    const bool needsImage = command->command == TessaCommand::download || command->command == TessaCommand::write
                            || command->command == TessaCommand::map || command->command == TessaCommand::unpack
                            || command->command == TessaCommand::convert;
    const bool convert = command->command == TessaCommand::convert;
    if (needsImage && positional.empty())
        return fail(convert ? std::string("convert needs an audio file or a picture")
                            : std::string(command->name) + " needs an image file");
    if (positional.size() > (needsImage ? 1u : 0u))
        return fail("unexpected argument '" + positional[needsImage ? 1 : 0] + "'");
    if (needsImage)
        options->image = positional[0];
    if (options->count && !options->loop)
        return fail("--count goes with --loop");
    if (command->command == TessaCommand::pack && options->output.empty())
        return fail("pack needs an output file: -o OUT");
    if (command->command == TessaCommand::unpack && options->output.empty())
        return fail("unpack needs an output folder: -o DIR");
    if (convert && options->output.empty())
        return fail("convert needs an output file: -o OUT");
    if ((convert || command->command == TessaCommand::unpack) && options->clock == 0)
        return fail("--clock must be above 0 Hz");
    return true;
}

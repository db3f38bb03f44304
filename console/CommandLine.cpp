#include "CommandLine.h"
#include "Capacities.h"
#include "DeviceList.h"
#include "FlashTypes.h"
#include "StringConv.h"
#include <cctype>
#include <iterator>

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

// "A, B or C".
std::string OneOf(const std::vector<std::string>& names)
{
    std::string text;
    for (size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return text;
}

bool Refuse(const std::string& reason, std::string* error)
{
    *error = reason;
    return false;
}

// How each option is read. A reader is given the option's name and value
// ("" for one that takes none); it refuses a bad value with its reason.
using OptionReader = bool (*)(const std::string& name, const std::string& value, TessaOptions* o, std::string* error);

bool ReadCapacity(const std::string&, const std::string& value, TessaOptions* o, std::string* error)
{
    o->capacityIndex = CapacityIndexOf(value);
    o->capacityGiven = true;
    if (o->capacityIndex >= 0)
        return true;
    std::vector<std::string> names;
    for (const Capacity& capacity : kCapacities)
        names.push_back(capacity.name);
    return Refuse("unknown capacity '" + value + "' (" + OneOf(names) + ")", error);
}

bool ReadAddress(const std::string&, const std::string& value, TessaOptions* o, std::string* error)
{
    return ParseHexArgument(value, &o->address)
           || Refuse("the address must be hexadecimal, at most 8 digits: '" + value + "'", error);
}

bool ReadFlashType(const std::string&, const std::string& value, TessaOptions* o, std::string* error)
{
    o->flashTypeIndex = FlashTypeIndexOf(value);
    if (o->flashTypeIndex >= 0)
        return true;
    std::vector<std::string> names;
    for (const FlashType& type : kFlashTypes)
        names.push_back(type.name);
    return Refuse("unknown flash type '" + value + "' (" + OneOf(names) + ")", error);
}

bool ReadCount(const std::string&, const std::string& value, TessaOptions* o, std::string* error)
{
    long long number = 0;
    if (!ParseDecimalArgument(value, 1000000, &number) || number == 0)
        return Refuse("the count must be a number from 1: '" + value + "'", error);
    o->count = static_cast<unsigned int>(number);
    return true;
}

bool ReadDevices(const std::string&, const std::string& value, TessaOptions* o, std::string* error)
{
    return ParseDeviceList(value, &o->devices, error);
}

bool ReadLoop(const std::string&, const std::string&, TessaOptions* o, std::string*)
{
    o->loop = true;
    return true;
}

bool ReadQuiet(const std::string&, const std::string&, TessaOptions* o, std::string*)
{
    o->quiet = true;
    return true;
}

bool ReadNoLog(const std::string&, const std::string&, TessaOptions* o, std::string*)
{
    o->noLog = true;
    return true;
}

bool ReadLog(const std::string&, const std::string& value, TessaOptions* o, std::string*)
{
    o->logPath = value;
    return true;
}

bool ReadJson(const std::string&, const std::string&, TessaOptions* o, std::string*)
{
    o->json = true;
    return true;
}

bool ReadOutput(const std::string&, const std::string& value, TessaOptions* o, std::string*)
{
    o->output = value;
    return true;
}

bool ReadAudio(const std::string&, const std::string& value, TessaOptions* o, std::string*)
{
    o->audio.push_back(value);
    return true;
}

bool ReadImage(const std::string&, const std::string& value, TessaOptions* o, std::string*)
{
    o->images.push_back(value);
    return true;
}

bool ReadFormat(const std::string&, const std::string& value, TessaOptions* o, std::string* error)
{
    media::SpeechFormat format = kDefaultSpeechFormat;
    if (!media::ParseSpeechFormat(value, &format))
        return Refuse("unknown speech format '" + value + "' (APM or MDM)", error);
    o->format = media::SpeechFormatName(format);
    o->formatGiven = true;
    return true;
}

// --rate and --clock.
bool ReadHertz(const std::string& name, const std::string& value, TessaOptions* o, std::string* error)
{
    long long number = 0;
    if (!ParseDecimalArgument(value, 99999999, &number))
        return Refuse(name + " must be a number of hertz, at most 8 digits: '" + value + "'", error);
    const bool rate = name == "--rate";
    (rate ? o->rate : o->clock) = static_cast<int>(number);
    (rate ? o->rateGiven : o->clockGiven) = true;
    return true;
}

bool ReadBackground(const std::string&, const std::string& value, TessaOptions* o, std::string* error)
{
    o->backgroundGiven = true;
    return ParseColor(value, o->background)
           || Refuse("the background must be R,G,B with values from 0 to 255: '" + value + "'", error);
}

// --audio-start and --image-start.
bool ReadStart(const std::string& name, const std::string& value, TessaOptions* o, std::string* error)
{
    const bool audio = name == "--audio-start";
    if (!ParseHexArgument(value, audio ? &o->audioStart : &o->imageStart))
        return Refuse(name + " must be hexadecimal, at most 8 digits: '" + value + "'", error);
    (audio ? o->audioStartGiven : o->imageStartGiven) = true;
    return true;
}

bool ReadKeepConverted(const std::string&, const std::string&, TessaOptions* o, std::string*)
{
    o->keepConverted = true;
    return true;
}

bool ReadSet(const std::string&, const std::string& value, TessaOptions* o, std::string*)
{
    o->setFile = value;
    return true;
}

bool ReadReplace(const std::string&, const std::string&, TessaOptions* o, std::string*)
{
    o->replace = true;
    return true;
}

struct TessaOption {
    const char* name;
    bool takesValue;
    OptionReader read;
};

const TessaOption kOptions[] = {
    { "--capacity", true, ReadCapacity },
    { "--address", true, ReadAddress },
    { "--flash-type", true, ReadFlashType },
    { "--count", true, ReadCount },
    { "--devices", true, ReadDevices },
    { "--loop", false, ReadLoop },
    { "--quiet", false, ReadQuiet },
    { "--no-log", false, ReadNoLog },
    { "--log", true, ReadLog },
    { "--json", false, ReadJson },
    { "-o", true, ReadOutput },
    { "--output", true, ReadOutput },
    { "--audio", true, ReadAudio },
    { "--image", true, ReadImage },
    { "--format", true, ReadFormat },
    { "--rate", true, ReadHertz },
    { "--clock", true, ReadHertz },
    { "--background", true, ReadBackground },
    { "--audio-start", true, ReadStart },
    { "--image-start", true, ReadStart },
    { "--keep-converted", false, ReadKeepConverted },
    { "--replace", false, ReadReplace },
    { "--set", true, ReadSet },
};

// The options any command's run reads, which may also come before it.
const char* const kLeadingOptions[] = { "--log", "--quiet", "--no-log" };

const TessaOption* FindOption(const std::string& name, const std::vector<const char*>& allowed)
{
    for (const char* candidate : allowed) {
        if (name != candidate)
            continue;
        for (const TessaOption& option : kOptions) {
            if (name == option.name)
                return &option;
        }
    }
    return nullptr;
}

// Reads the option at args[*at] and its value, if it takes one; *at is left
// on the last argument read.
bool ReadOption(const TessaOption& option, const std::vector<std::string>& args, size_t* at, TessaOptions* o,
                std::string* error)
{
    const std::string& name = args[*at];
    std::string value;
    if (option.takesValue) {
        if (*at + 1 >= args.size())
            return Refuse("option " + name + " needs a value", error);
        value = args[++*at];
    }
    return option.read(name, value, o, error);
}

// The options before the command, from args[*first]; *first is left on the
// first argument that is not one of them.
bool ReadLeadingOptions(const std::vector<std::string>& args, size_t* first, TessaOptions* o, std::string* error)
{
    const std::vector<const char*> leading(std::begin(kLeadingOptions), std::end(kLeadingOptions));
    for (; *first < args.size(); ++*first) {
        const TessaOption* option = FindOption(args[*first], leading);
        if (!option)
            return true;
        if (!ReadOption(*option, args, first, o, error))
            return false;
    }
    return true;
}

// The command's own options and its plain arguments, from args[first].
bool ReadCommandArguments(const TessaCommandRow& command, const std::vector<std::string>& args, size_t first,
                          TessaOptions* o, std::vector<std::string>* plain, std::string* error)
{
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            plain->push_back(arg);
            continue;
        }
        const TessaOption* option = FindOption(arg, command.options);
        if (!option)
            return Refuse("unknown option '" + arg + "' for " + command.name, error);
        if (!ReadOption(*option, args, &i, o, error))
            return false;
    }
    return true;
}

// What the command needs beyond the form of each option.
bool CheckCommand(const TessaCommandRow& command, const std::vector<std::string>& plain, TessaOptions* o,
                  std::string* error)
{
    const bool takesInput = command.missingInput != nullptr;
    if (takesInput && plain.empty())
        return Refuse(command.missingInput, error);
    if (plain.size() > (takesInput ? 1u : 0u))
        return Refuse("unexpected argument '" + plain[takesInput ? 1 : 0] + "'", error);
    if (takesInput)
        o->input = plain[0];
    if (o->count && !o->loop)
        return Refuse("--count goes with --loop", error);
    if (!o->setFile.empty() && (!o->audio.empty() || !o->images.empty()))
        return Refuse("--audio and --image don't go with --set: the set lists the files", error);
    if (command.missingOutput && o->output.empty())
        return Refuse(command.missingOutput, error);
    if (command.clockAboveZero && o->clock == 0)
        return Refuse("--clock must be above 0 Hz", error);
    return true;
}

const TessaCommandRow* FindCommand(const std::string& name)
{
    for (size_t i = 0; i < kTessaCommandCount; ++i) {
        if (name == kTessaCommands[i].name)
            return &kTessaCommands[i];
    }
    return nullptr;
}

}  // namespace

bool ParseTessaArguments(const std::vector<std::string>& args, TessaOptions* options, std::string* error)
{
    *options = TessaOptions();
    if (args.empty())
        return Refuse("no command given (try --help)", error);
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            options->command = TessaCommand::help;
            return true;
        }
    }
    size_t first = 0;
    if (!ReadLeadingOptions(args, &first, options, error))
        return false;
    if (first >= args.size())
        return Refuse("no command given (try --help)", error);
    if (args[first] == "--version") {
        if (args.size() > first + 1)
            return Refuse("--version takes nothing more", error);
        options->command = TessaCommand::version;
        return true;
    }
    const TessaCommandRow* command = FindCommand(args[first]);
    if (!command)
        return Refuse("unknown command '" + args[first] + "' (try --help)", error);
    options->command = command->command;
    std::vector<std::string> plain;
    return ReadCommandArguments(*command, args, first + 1, options, &plain, error)
           && CheckCommand(*command, plain, options, error);
}

// tessa: the download panel, the Writer dialog and the image builder for
// production lines and build pipelines, without a window.
#include "CommandLine.h"
#include "ConsoleOutput.h"
#include "ExitCodes.h"
#include "SetOptions.h"
#include "StringConv.h"
#include "SystemLibraries.h"
#include "Version.h"
#include <cstdio>

// The arguments come as UTF-16, so that a file name outside the ANSI code
// page reaches the program whole; the options keep them as UTF-8.
int wmain(int argc, wchar_t** argv)
{
    SearchSystemFolderOnly();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(Utf8FromWide(argv[i]));
    TessaOptions options;
    std::string error;
    if (!ParseTessaArguments(args, &options, &error)) {
        std::fprintf(stderr, "tessa: %s\n", error.c_str());
        return kExitBadInput;
    }
    ConsoleOutput out(options.quiet);
    if (options.command == TessaCommand::help) {
        std::fputs(TessaUsage().c_str(), stdout);
        return kExitOk;
    }
    if (options.command == TessaCommand::version) {
        std::printf("tessa %s\n", TESSALINE_VERSION_TEXT);
        return kExitOk;
    }
    if (!ApplyMediaSetFile(&options, out))
        return kExitBadInput;
    const TessaCommandRow* command = FindTessaCommand(options.command);
    return command ? command->run(options, out) : kExitBadInput;
}

#include "PackCommand.h"
#include "BuildChain.h"
#include "ConsoleFiles.h"
#include "ConverterLibrary.h"
#include "ExitCodes.h"
#include "StringConv.h"
#include <cinttypes>
#include <cstdio>

namespace {

std::string Hex(const char* format, uint64_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A flash address as the console shows it: 0x and at least 8 digits.
std::string Address(uint64_t value)
{
    return Hex("0x%08" PRIX64, value);
}

// The chain knows the sources by their names in the ANSI code page, which
// hold them exactly; the user gave them in UTF-8.
std::string Named(const std::string& ansi)
{
    return Utf8FromAnsi(ansi);
}

// Why the packer refused, with its numbers; the options named as the user gives them.
std::string PackRefusalText(const PackResult& pack, const TessaOptions& options)
{
    switch (pack.failure) {
    case PackFailure::outputIsInput:
        return "the output " + options.output + " is one of the converted files to pack";
    case PackFailure::tooManyFiles:
        return "more than 65535 audio or image files: each list's count is a 16-bit field";
    case PackFailure::sampleRateZero:
        return "the sample rate is 0 Hz; audio needs one: give --rate HZ";
    case PackFailure::outputNotWritten:
        return "can't write the packed image " + options.output + ": " + SystemErrorText(pack.systemError);
    case PackFailure::noMemory:
        return "not enough memory to pack";
    case PackFailure::inputUnreadable:
        return "can't read the converted file " + Named(pack.file);
    case PackFailure::audioPastImages: {
        const uint64_t lowest = SectorBoundaryAtOrAfter(pack.audioEnd);
        return "the audio section ends at " + Address(pack.audioEnd) + ", past the image start address "
               + Address(pack.imageStart) + "; "
               + (lowest < kFlashAddressSpace ? "give --image-start " + Hex("0x%" PRIX64, lowest) + " or higher"
                                              : std::string("no image section fits after it below 4 GiB"));
    }
    case PackFailure::pastAddressSpace:
        return "the packed image would end at " + Address(pack.end) + ", past the 4 GiB flash address space"
               + " (the image section at " + Address(pack.imageStart) + "); give a lower --audio-start"
               + (options.imageStartGiven ? " or --image-start" : "");
    case PackFailure::none:
        break;
    }
    return "packing failed";
}

// One line for every refusal of the chain: the rule and the numbers.
std::string RefusalText(const BuildRefusal& refusal, const TessaOptions& options)
{
    switch (refusal.failure) {
    case BuildFailure::audioAddressOdd:
        return "the audio start address must be even: " + Address(options.audioStart);
    case BuildFailure::imageAddressOdd:
        return "the image start address must be even: " + Address(options.imageStart);
    case BuildFailure::noMedia:
        if (!options.setFile.empty())
            return "nothing to pack: the set " + options.setFile + " lists no audio or image file";
        return "nothing to pack: give at least one --audio or --image file";
    case BuildFailure::sampleRateZero:
        return "the sample rate is 0 Hz; audio needs one: give --rate HZ";
    case BuildFailure::convertAudio:
    case BuildFailure::convertImage:
        return "can't convert " + Named(refusal.file) + ": "
               + ConversionProblemText(refusal.conversion, refusal.failure == BuildFailure::convertAudio);
    case BuildFailure::pack:
        return PackRefusalText(refusal.pack, options);
    case BuildFailure::none:
        break;
    }
    return BuildFailureText(refusal.failure);
}

// Prints the files as they are converted and the chain's refusals.
class ConsoleBuildReport : public BuildReport {
public:
    ConsoleBuildReport(ConsoleOutput& out, const TessaOptions& options) : m_out(out), m_options(options) {}

    void Stage(BuildStage stage) override
    {
        if (stage == BuildStage::packing)
            m_out.Info("packing into " + m_options.output);
    }
    void Converting(const std::string& source) override { m_out.Info("converting " + Named(source)); }
    void Layout(const PackResult& result) override { m_layout = result; }
    void Refused(const BuildRefusal& refusal) override
    {
        // A library without its export is the library's failure; the rest the input's.
        const ConversionProblem problem = refusal.conversion.problem;
        m_exitCode = problem == ConversionProblem::noLibrary || problem == ConversionProblem::noExport
                         ? kExitFailed
                         : kExitBadInput;
        m_out.Error(RefusalText(refusal, m_options));
    }

    int ExitCode() const { return m_exitCode; }
    const PackResult& Where() const { return m_layout; }

private:
    ConsoleOutput& m_out;
    const TessaOptions& m_options;
    PackResult m_layout;
    int m_exitCode = kExitBadInput;
};

}  // namespace

int RunPackCommand(const TessaOptions& options, ConsoleOutput& out)
{
    if (IsFolder(options.output)) {
        out.Error(options.output + " is a folder: give -o the name of the file to write");
        return kExitBadInput;
    }
    BuildRequest request;
    if (!AnsiSources(options.audio, &request.audioFiles, out) || !AnsiSources(options.images, &request.imageFiles, out))
        return kExitBadInput;
    ConverterLibrary tuneMill, picMill;
    if (!options.audio.empty() && !tuneMill.Load("TuneMill.dll", out))
        return kExitFailed;
    if (!options.images.empty() && !picMill.Load("PicMill.dll", out))
        return kExitFailed;

    request.speechFormat = options.format;
    request.sampleRate = options.rate;
    request.systemClock = options.clock;
    request.audioStart = options.audioStart;
    request.imageStart = options.imageStart;
    // Without a given start the images go to the first sector after the audio.
    request.imageStartAfterAudio = !options.imageStartGiven;
    for (int i = 0; i < 3; ++i)
        request.background[i] = options.background[i];
    request.outputPath = WideFromUtf8(options.output);
    request.keepConverted = options.keepConverted;
    // A failed pack leaves the user's file at the output as it was.
    request.keepOldOutput = true;

    ConsoleBuildReport report(out, options);
    if (!BuildPackedImage(request, MediaConverters(tuneMill.Module(), picMill.Module()), report))
        return report.ExitCode();
    const PackResult& where = report.Where();
    std::string line = "packed " + std::to_string(options.audio.size()) + " audio and "
                       + std::to_string(options.images.size()) + " image files into " + options.output + ": "
                       + std::to_string(where.end - options.audioStart) + " bytes";
    if (!options.images.empty()) {
        line += "; image section at " + Address(where.imageStart);
        if (!options.imageStartGiven)
            line += ", the first 4 KiB boundary after the audio section, which ends at " + Address(where.audioEnd);
    }
    out.Info(line);
    return kExitOk;
}

#include "PackCommand.h"
#include "BuildChain.h"
#include "FlashCommands.h"
#include "ModuleDir.h"

namespace {

// Prints the files as they are converted and the chain's failures.
class ConsoleBuildReport : public BuildReport {
public:
    ConsoleBuildReport(ConsoleOutput& out, const std::string& output) : m_out(out), m_output(output) {}

    void Stage(BuildStage stage) override
    {
        if (stage == BuildStage::packing)
            m_out.Info("packing into " + m_output);
    }
    void Converting(const std::string& source) override { m_out.Info("converting " + source); }
    void Failure(BuildFailure failure, const std::string& file) override
    {
        m_failure = failure;
        m_out.Error(std::string(BuildFailureText(failure)) + (file.empty() ? "" : ": " + file));
    }

    BuildFailure Failed() const { return m_failure; }

private:
    ConsoleOutput& m_out;
    std::string m_output;
    BuildFailure m_failure = BuildFailure::none;
};

// A converter library from the program's folder, freed with the object.
class Library {
public:
    Library() = default;
    ~Library()
    {
        if (m_module)
            ::FreeLibrary(m_module);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool Load(const char* name, ConsoleOutput& out)
    {
        const std::string path = GetModuleDir(true) + name;
        m_module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!m_module)
            out.Error("can't load the converter library " + path);
        return m_module != nullptr;
    }
    HMODULE Module() const { return m_module; }

private:
    HMODULE m_module = nullptr;
};

bool IsFile(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

int RunPackCommand(const TessaOptions& options, ConsoleOutput& out)
{
    for (const auto* list : { &options.audio, &options.images }) {
        for (const std::string& file : *list) {
            if (!IsFile(file)) {
                out.Error("no such file: " + file);
                return kExitBadInput;
            }
        }
    }
    Library tuneMill, picMill;
    if (!options.audio.empty() && !tuneMill.Load("TuneMill.dll", out))
        return kExitFailed;
    if (!options.images.empty() && !picMill.Load("PicMill.dll", out))
        return kExitFailed;

    BuildRequest request;
    request.audioFiles = options.audio;
    request.imageFiles = options.images;
    request.speechFormat = options.format;
    request.sampleRate = options.rate;
    request.systemClock = options.clock;
    request.audioStart = options.audioStart;
    request.imageStart = options.imageStart;
    for (int i = 0; i < 3; ++i)
        request.background[i] = options.background[i];
    request.outputPath = options.output;
    request.keepConverted = options.keepConverted;

    ConsoleBuildReport report(out, options.output);
    if (!BuildPackedImage(request, MediaConverters(tuneMill.Module(), picMill.Module()), report))
        return kExitBadInput;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ::GetFileAttributesExA(options.output.c_str(), GetFileExInfoStandard, &data);
    const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    out.Info("packed " + std::to_string(options.audio.size()) + " audio and " + std::to_string(options.images.size())
             + " image files into " + options.output + ": " + std::to_string(size) + " bytes");
    return kExitOk;
}

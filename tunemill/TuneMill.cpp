// Audio converter library: MP3 or WAV in, speech data in the APM or MDM format
// out, resampled to the caller's rate. See README.md for the formats.
#include <windows.h>

#include <string>
#include <vector>

#include "FilePaths.h"
#include "Mp3.h"
#include "SourceFile.h"
#include "SpeechCodec.h"
#include "SpeechConversion.h"
#include "ThreadedSink.h"
#include "Wave.h"

namespace {

using namespace tunemill;

enum class Source { Wav, Mp3 };

// Adds an output to the files the call names. False when it is the same file
// as one named before (writing it would destroy that one); its path is
// cleared when nothing can be put there (no such folder, a folder or a
// read-only file in the way).
bool AddOutput(std::wstring& path, std::vector<millfiles::PathTarget>& named)
{
    if (path.empty())
        return true;
    millfiles::PathTarget target;
    if (!millfiles::Examine(path, target)) {
        path.clear();
        return true;
    }
    for (const millfiles::PathTarget& other : named)
        if (millfiles::SameFile(target, other))
            return false;
    named.push_back(target);
    if (!millfiles::Replaceable(target))
        path.clear();
    return true;
}

// The outputs' paths. False when the converted file can't be put at its path,
// or when two of the files the call names (the source, the converted file,
// the two by-products) are the same file. A by-product that can't be written
// is left out: its path is empty.
struct Outputs {
    std::wstring converted, wave, description;
};

bool PlanOutputs(SpeechFormat format, SourceFile& source, const std::wstring& convertedPath,
                 const char* firstByProductPath, Outputs& outputs)
{
    if (!source.FindId())
        return false;
    std::vector<millfiles::PathTarget> named(1);
    named[0].exists = named[0].regularFile = true;
    named[0].id = source.Id();
    outputs.converted = convertedPath;
    if (!AddOutput(outputs.converted, named) || outputs.converted.empty())
        return false;
    if (firstByProductPath != nullptr && *firstByProductPath != '\0' &&
        !millfiles::PathFromAnsi(firstByProductPath, outputs.wave))
        outputs.wave.clear();
    outputs.description = SpeechConversion::DescriptionPath(format, convertedPath);
    return AddOutput(outputs.wave, named) && AddOutput(outputs.description, named);
}

// The outputs' paths checked and the staged files created on a thread of the
// pool, while the conversion already runs (what it writes meanwhile is held
// in memory): under Wine, looking at a file's identity and creating files
// take milliseconds each.
class OutputPlan {
public:
    OutputPlan(SpeechFormat format, SourceFile& source, const std::wstring& convertedPath,
               const char* firstByProductPath, SpeechConversion& conversion, uint64_t samples)
        : format_(format), source_(source), convertedPath_(convertedPath), firstByProductPath_(firstByProductPath),
          conversion_(conversion), samples_(samples)
    {
        work_ = CreateThreadpoolWork(&OutputPlan::Run, this, nullptr);
        if (work_ != nullptr)
            SubmitThreadpoolWork(work_);
        else
            Make();
    }
    ~OutputPlan() { Wait(); }
    OutputPlan(const OutputPlan&) = delete;
    OutputPlan& operator=(const OutputPlan&) = delete;

    // True when the outputs could be planned and the converted file created.
    bool Wait()
    {
        if (work_ != nullptr) {
            WaitForThreadpoolWorkCallbacks(work_, FALSE);
            CloseThreadpoolWork(work_);
            work_ = nullptr;
        }
        return made_;
    }

private:
    static VOID CALLBACK Run(PTP_CALLBACK_INSTANCE, PVOID context, PTP_WORK)
    {
        static_cast<OutputPlan*>(context)->Make();
    }
    void Make()
    {
        try {
            Outputs outputs;
            made_ = PlanOutputs(format_, source_, convertedPath_, firstByProductPath_, outputs) &&
                    conversion_.Open(outputs.converted, outputs.wave, outputs.description, samples_);
        } catch (...) {
            made_ = false;
        }
        if (!made_)
            conversion_.Abandon();
    }

    SpeechFormat format_;
    SourceFile& source_;
    const std::wstring& convertedPath_;
    const char* firstByProductPath_;
    SpeechConversion& conversion_;
    uint64_t samples_;
    PTP_WORK work_ = nullptr;
    bool made_ = false;
};

// Reads the source in pieces and streams it through the conversion. Paths are
// turned into full wide ones first, and checked: see README.md. The length
// of the result is known before anything is written (for MP3 from the frame
// headers), so an output over the maximum is refused at once; the converted
// file and the first by-product are staged and only put in place when whole.
int Convert(Source source, SpeechFormat format, const char* sourcePath,
            const char* firstByProductPath, const char* convertedPath, int targetRate)
{
    try {
        std::wstring wideSource, wideConverted;
        if (targetRate <= 0 || targetRate > kMaxTargetRate || !millfiles::PathFromAnsi(sourcePath, wideSource) ||
            !millfiles::PathFromAnsi(convertedPath, wideConverted))
            return 0;
        SourceFile file;
        if (!file.Open(wideSource))
            return 0;
        // A WAV is read faster than it is resampled and encoded: the encoding
        // runs beside the resampling. An MP3's decoding takes longer than all
        // the rest, which runs beside it (below).
        SpeechConversion conversion(format, targetRate, source == Source::Wav);
        conversion.Hold();
        uint64_t samples = 0;
        WavLayout layout;
        uint64_t offset = 0;
        Mp3Frame first;
        if (source == Source::Wav) {
            if (!LocateWavData(file, layout) ||
                !PlanSpeechLength(layout.frames, layout.sampleRate, targetRate, format, samples))
                return 0;
        } else {
            if (!FindFirstMp3Frame(file, offset, first) ||
                !PlanSpeechLength(CountMp3Samples(file, offset, first), first.sampleRate, targetRate, format, samples))
                return 0;
        }
        OutputPlan plan(format, file, wideConverted, firstByProductPath, conversion, samples);
        bool streamed;
        if (source == Source::Wav) {
            streamed = StreamWav(file, layout, conversion);
        } else {
            ThreadedSink beside(conversion);
            const bool decoded = DecodeMp3(file, offset, first, beside);
            streamed = beside.Close() && decoded;
        }
        return plan.Wait() && streamed && conversion.Finish() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // namespace

extern "C" {

int WINAPI ConvertWAVToAPMWithResample(const char* sourcePath, const char* firstByProductPath,
                                       const char* convertedPath, int targetSampleRate)
{
    return Convert(Source::Wav, SpeechFormat::Apm, sourcePath, firstByProductPath, convertedPath,
                   targetSampleRate);
}

int WINAPI ConvertMP3ToAPMWithResample(const char* sourcePath, const char* firstByProductPath,
                                       const char* convertedPath, int targetSampleRate)
{
    return Convert(Source::Mp3, SpeechFormat::Apm, sourcePath, firstByProductPath, convertedPath,
                   targetSampleRate);
}

int WINAPI ConvertWAVToMDMWithResample(const char* sourcePath, const char* firstByProductPath,
                                       const char* convertedPath, int targetSampleRate)
{
    return Convert(Source::Wav, SpeechFormat::Mdm, sourcePath, firstByProductPath, convertedPath,
                   targetSampleRate);
}

int WINAPI ConvertMP3ToMDMWithResample(const char* sourcePath, const char* firstByProductPath,
                                       const char* convertedPath, int targetSampleRate)
{
    return Convert(Source::Mp3, SpeechFormat::Mdm, sourcePath, firstByProductPath, convertedPath,
                   targetSampleRate);
}

}

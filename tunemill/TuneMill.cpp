// Audio converter library: MP3 or WAV in, speech data in the APM or MDM format
// out, resampled to the caller's rate. See README.md for the formats.
#include <windows.h>

#include "Mp3.h"
#include "SourceFile.h"
#include "SpeechCodec.h"
#include "SpeechConversion.h"
#include "ThreadedSink.h"
#include "Wave.h"

namespace {

using namespace tunemill;

enum class Source { Wav, Mp3 };

// Reads the source in pieces and streams it through the conversion. The length
// of the result is known before anything is written (for MP3 from the frame
// headers), so an output over the maximum is refused at once; the converted
// file and the first by-product are staged and only put in place when whole.
int Convert(Source source, SpeechFormat format, const char* sourcePath,
            const char* firstByProductPath, const char* convertedPath, int targetRate)
{
    try {
        if (targetRate <= 0 || targetRate > kMaxTargetRate || convertedPath == nullptr ||
            *convertedPath == '\0')
            return 0;
        SourceFile file;
        if (!file.Open(sourcePath))
            return 0;
        SpeechConversion conversion(format, targetRate);
        uint64_t samples = 0;
        if (source == Source::Wav) {
            WavLayout layout;
            if (!LocateWavData(file, layout) ||
                !PlanSpeechLength(layout.frames, layout.sampleRate, targetRate, format, samples) ||
                !conversion.Open(convertedPath, firstByProductPath, samples) || !StreamWav(file, layout, conversion))
                return 0;
        } else {
            uint64_t offset = 0;
            Mp3Frame first;
            if (!FindFirstMp3Frame(file, offset, first) ||
                !PlanSpeechLength(CountMp3Samples(file, offset, first), first.sampleRate, targetRate, format,
                                  samples) ||
                !conversion.Open(convertedPath, firstByProductPath, samples))
                return 0;
            // Decoding takes longer than the rest: the rest runs beside it.
            ThreadedSink beside(conversion);
            const bool decoded = DecodeMp3(file, offset, first, beside);
            if (!beside.Close() || !decoded)
                return 0;
        }
        return conversion.Finish() ? 1 : 0;
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

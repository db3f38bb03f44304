// Audio converter library: MP3 or WAV in, speech data in the APM or MDM format
// out, resampled to the caller's rate. See README.md for the formats.
#include <windows.h>

#include <string>
#include <vector>

#include "FileIo.h"
#include "Mp3.h"
#include "SpeechCodec.h"
#include "Wave.h"

namespace {

using namespace tunemill;

enum class Source { Wav, Mp3 };

// Decode, mix to mono, resample, encode; then write the converted file and, once
// it is complete, the two by-products. Nothing is written unless the whole
// conversion succeeded in memory; a by-product that cannot be written is left
// out without failing the call.
int Convert(Source source, SpeechFormat format, const char* sourcePath,
            const char* firstByProductPath, const char* convertedPath, int targetRate)
{
    try {
        if (targetRate <= 0 || convertedPath == nullptr || *convertedPath == '\0')
            return 0;
        PcmAudio decoded;
        {
            std::vector<uint8_t> bytes;
            if (!ReadWholeFile(sourcePath, bytes))
                return 0;
            const bool ok = source == Source::Wav ? ParseWav(bytes.data(), bytes.size(), decoded)
                                                  : DecodeMp3(bytes.data(), bytes.size(), decoded);
            if (!ok)
                return 0;
        }
        SpeechFiles files;
        if (!BuildSpeechFiles(decoded, format, targetRate, files))
            return 0;
        if (!WriteWholeFile(convertedPath, files.converted.data(), files.converted.size()))
            return 0;
        if (firstByProductPath != nullptr && *firstByProductPath != '\0')
            WriteWholeFile(firstByProductPath, files.intermediate.data(), files.intermediate.size());
        const std::string second =
            std::string(convertedPath) + (format == SpeechFormat::Apm ? ".apm" : ".h");
        WriteWholeFile(second.c_str(), files.description.data(), files.description.size());
        return 1;
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

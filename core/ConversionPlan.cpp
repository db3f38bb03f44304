#include "ConversionPlan.h"
#include "SpeechFormat.h"
#include "StringConv.h"
#include <cstring>

std::string FileExtension(const std::string& path)
{
    size_t dot = path.find_last_of('.');
    return dot == std::string::npos ? path : path.substr(dot + 1);
}

SourceKind SourceKindOf(const std::string& path)
{
    if (path.find('.') == std::string::npos)
        return SourceKind::other;
    const std::string extension = FileExtension(path);
    for (const char* audio : { "MP3", "WAV" }) {
        if (SameTextIgnoringCase(extension, audio))
            return SourceKind::audio;
    }
    for (const char* image : { "JPG", "JPEG", "BMP", "PNG", "GIF" }) {
        if (SameTextIgnoringCase(extension, image))
            return SourceKind::image;
    }
    return SourceKind::other;
}

std::string ConvertedPath(const std::string& source)
{
    return source + ".rbf";
}

bool PlanAudioConversion(const std::string& speechFormat, const std::string& source,
                         const std::string& converted, AudioConversion* plan)
{
    std::string extension = FileExtension(source);
    bool mp3 = SameTextIgnoringCase(extension, "MP3");
    bool wav = SameTextIgnoringCase(extension, "WAV");
    media::SpeechFormat format;
    if (!media::ParseSpeechFormat(speechFormat, &format) || (!mp3 && !wav))
        return false;
    if (format == media::SpeechFormat::mdm) {
        plan->exportName = mp3 ? "ConvertMP3ToMDMWithResample" : "ConvertWAVToMDMWithResample";
        plan->firstByProduct = source + ".mdm";
        plan->secondByProduct = converted + ".h";
    } else {
        plan->exportName = mp3 ? "ConvertMP3ToAPMWithResample" : "ConvertWAVToAPMWithResample";
        plan->firstByProduct = source + ".apm";
        plan->secondByProduct = converted + ".apm";
    }
    // Every name must fit a path buffer with its terminator.
    const std::string* names[] = { &source, &converted, &plan->firstByProduct, &plan->secondByProduct };
    for (const std::string* name : names) {
        if (name->size() + 1 > kPathBufferChars)
            return false;
    }
    return true;
}

namespace {

uint32_t Le16(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0] | (p[1] << 8));
}

uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16)
           | (static_cast<uint32_t>(p[3]) << 24);
}

uint32_t Be16(const uint8_t* p)
{
    return static_cast<uint32_t>((p[0] << 8) | p[1]);
}

uint32_t Be32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16)
           | (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

ConversionDiagnosis Problem(ConversionProblem problem, uint64_t value = 0, uint64_t limit = 0)
{
    ConversionDiagnosis diagnosis;
    diagnosis.problem = problem;
    diagnosis.value = value;
    diagnosis.limit = limit;
    return diagnosis;
}

ConversionDiagnosis Kind(const std::string& detail)
{
    ConversionDiagnosis diagnosis = Problem(ConversionProblem::unsupportedKind);
    diagnosis.detail = detail;
    return diagnosis;
}

// A RIFF WAVE file as the audio converter reads it: PCM, 8 or 16 bits, mono
// or stereo; its length in samples at the target rate within the maximum.
ConversionDiagnosis DiagnoseWave(const ReadAt& read, uint64_t fileSize, uint64_t maxSamples, int sampleRate)
{
    uint8_t riff[12];
    if (fileSize < 12 || !read(0, riff, 12) || memcmp(riff, "RIFF", 4) != 0 || memcmp(riff + 8, "WAVE", 4) != 0)
        return Kind("not a RIFF WAVE file");
    bool haveFormat = false;
    uint32_t tag = 0, channels = 0, rate = 0, bits = 0;
    uint64_t at = 12;
    // Bounded: a chunk header is at least 8 bytes, and no file has this many chunks.
    for (int chunks = 0; chunks < 4096 && at + 8 <= fileSize; ++chunks) {
        uint8_t head[8];
        if (!read(at, head, 8))
            return Problem(ConversionProblem::unreadable);
        const uint64_t size = Le32(head + 4);
        if (memcmp(head, "fmt ", 4) == 0) {
            uint8_t format[26] = {};
            const size_t want = size < sizeof format ? static_cast<size_t>(size) : sizeof format;
            if (want < 16 || at + 8 + want > fileSize || !read(at + 8, format, want))
                return Kind("a WAV file with a broken fmt chunk");
            tag = Le16(format);
            channels = Le16(format + 2);
            rate = Le32(format + 4);
            bits = Le16(format + 14);
            if (tag == 0xFFFE && want >= 26)
                tag = Le16(format + 24);  // the sub-format of WAVE_FORMAT_EXTENSIBLE
            haveFormat = true;
        } else if (memcmp(head, "data", 4) == 0) {
            if (!haveFormat)
                break;
            if (tag != 1 || (bits != 8 && bits != 16) || channels < 1 || channels > 2 || rate == 0)
                return Kind("a WAV file of format " + std::to_string(tag) + ", " + std::to_string(bits) + "-bit, "
                            + std::to_string(channels) + " channel(s) at " + std::to_string(rate)
                            + " Hz, where the converter takes 8- or 16-bit PCM, mono or stereo");
            const uint64_t present = fileSize - (at + 8);
            const uint64_t frames = (size < present ? size : present) / (channels * bits / 8);
            const uint64_t target = static_cast<uint64_t>(sampleRate);
            const uint64_t samples = (frames * target * 2 + rate) / (2 * static_cast<uint64_t>(rate));
            if (samples == 0)
                return Problem(ConversionProblem::empty);
            if (samples > maxSamples)
                return Problem(ConversionProblem::tooManySamples, samples, maxSamples);
            return ConversionDiagnosis();
        }
        at += 8 + size + (size & 1);
    }
    return Kind("a WAV file without its fmt and data chunks");
}

// The width and height a JPEG's first start-of-frame segment declares.
bool JpegSize(const ReadAt& read, uint64_t fileSize, uint64_t* width, uint64_t* height)
{
    uint64_t at = 2;
    for (int segments = 0; segments < 65536 && at + 4 <= fileSize; ++segments) {
        uint8_t head[4];
        if (!read(at, head, 4) || head[0] != 0xFF)
            return false;
        const uint8_t marker = head[1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA)  // end of image, start of scan: no frame before
            return false;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            uint8_t frame[5];
            if (at + 9 > fileSize || !read(at + 4, frame, 5))
                return false;
            *height = Be16(frame + 1);
            *width = Be16(frame + 3);
            return true;
        }
        at += 2 + Be16(head + 2);
    }
    return false;
}

}  // namespace

size_t LongestAudioSource(const std::string& speechFormat)
{
    // The longest names: converted + ".apm" (source + 8) and converted + ".h" (source + 6).
    media::SpeechFormat format;
    if (!media::ParseSpeechFormat(speechFormat, &format))
        return 0;
    return format == media::SpeechFormat::apm ? kPathBufferChars - 1 - 8 : kPathBufferChars - 1 - 6;
}

size_t LongestImageSource()
{
    return kPathBufferChars - 1 - 4;  // the converted path, source + ".rbf"
}

ConversionDiagnosis DiagnoseAudioPlan(const std::string& speechFormat, const std::string& source)
{
    const std::string extension = FileExtension(source);
    if (!SameTextIgnoringCase(extension, "MP3") && !SameTextIgnoringCase(extension, "WAV"))
        return Kind(std::string());
    const size_t longest = LongestAudioSource(speechFormat);
    if (longest == 0)
        return Kind("the builder has no converter for the speech format '" + speechFormat + "'");
    if (source.size() > longest)
        return Problem(ConversionProblem::pathTooLong, source.size(), longest);
    return ConversionDiagnosis();
}

ConversionDiagnosis DiagnoseAudioSource(const ReadAt& read, uint64_t fileSize, const std::string& extension,
                                        const std::string& speechFormat, int sampleRate)
{
    if (fileSize == 0)
        return Problem(ConversionProblem::empty);
    if (fileSize > kAudioSourceMaxBytes)
        return Problem(ConversionProblem::tooLarge, fileSize, kAudioSourceMaxBytes);
    if (sampleRate <= 0 || sampleRate > kAudioMaxRate)
        return Problem(ConversionProblem::rateOutOfRange, static_cast<uint64_t>(sampleRate < 0 ? 0 : sampleRate),
                       static_cast<uint64_t>(kAudioMaxRate));
    if (!SameTextIgnoringCase(extension, "WAV"))
        return ConversionDiagnosis();
    media::SpeechFormat format = media::SpeechFormat::apm;  // an unknown name has been told of before
    media::ParseSpeechFormat(speechFormat, &format);
    return DiagnoseWave(read, fileSize, format == media::SpeechFormat::mdm ? kMdmMaxSamples : kApmMaxSamples,
                        sampleRate);
}

ConversionDiagnosis DiagnosePicture(const ReadAt& read, uint64_t fileSize)
{
    if (fileSize == 0)
        return Problem(ConversionProblem::empty);
    uint8_t head[26] = {};
    const size_t got = fileSize < sizeof head ? static_cast<size_t>(fileSize) : sizeof head;
    if (!read(0, head, got))
        return Problem(ConversionProblem::unreadable);
    static const uint8_t kPng[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    uint64_t width = 0, height = 0;
    bool known = false;
    if (got >= 2 && head[0] == 'B' && head[1] == 'M') {
        if (got >= 22 && Le32(head + 14) == 12) {  // the old core header: 16-bit sides
            width = Le16(head + 18);
            height = Le16(head + 20);
            known = true;
        } else if (got >= 26) {  // signed; a negative height is a top-down picture
            const int64_t w = static_cast<int32_t>(Le32(head + 18)), h = static_cast<int32_t>(Le32(head + 22));
            width = static_cast<uint64_t>(w < 0 ? -w : w);
            height = static_cast<uint64_t>(h < 0 ? -h : h);
            known = true;
        }
    } else if (got >= 8 && memcmp(head, kPng, 8) == 0) {
        if (got >= 24) {
            width = Be32(head + 16);
            height = Be32(head + 20);
            known = true;
        }
    } else if (got >= 6 && (memcmp(head, "GIF87a", 6) == 0 || memcmp(head, "GIF89a", 6) == 0)) {
        if (got >= 10) {
            width = Le16(head + 6);
            height = Le16(head + 8);
            known = true;
        }
    } else if (got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) {
        known = JpegSize(read, fileSize, &width, &height);
    } else {
        return Kind(std::string());
    }
    if (known && (width == 0 || height == 0 || width > kPictureMaxSide || height > kPictureMaxSide
                  || width * height > kPictureMaxPixels)) {
        ConversionDiagnosis diagnosis = Problem(ConversionProblem::pictureSize, width * height, kPictureMaxPixels);
        diagnosis.width = width;
        diagnosis.height = height;
        return diagnosis;
    }
    return ConversionDiagnosis();
}

std::string ConversionProblemText(const ConversionDiagnosis& d, bool audio)
{
    const std::string value = std::to_string(d.value), limit = std::to_string(d.limit);
    switch (d.problem) {
    case ConversionProblem::unknown:
        return "the converter refused it";
    case ConversionProblem::noLibrary:
        return std::string("the converter library ") + (audio ? "TuneMill.dll" : "PicMill.dll") + " isn't loaded";
    case ConversionProblem::noExport:
        return std::string("the converter library ") + (audio ? "TuneMill.dll" : "PicMill.dll") + " has no export "
               + d.detail;
    case ConversionProblem::pathTooLong:
        return "its path is " + value + " characters long; the builder takes at most " + limit;
    case ConversionProblem::unsupportedKind:
        if (!d.detail.empty())
            return d.detail;
        return audio ? "the builder converts only .mp3 and .wav audio files"
                     : "not a BMP, PNG, JPEG or GIF picture";
    case ConversionProblem::unreadable:
        return "it can't be read";
    case ConversionProblem::empty:
        return audio ? "it holds no sound" : "the file is empty";
    case ConversionProblem::tooLarge:
        return "it is " + value + " bytes, over the converter's limit of " + limit + " bytes (128 MiB)";
    case ConversionProblem::tooManySamples:
        return "it would give " + value + " samples, over the converter's limit of " + limit;
    case ConversionProblem::rateOutOfRange:
        return "the sample rate " + value + " Hz is outside the converter's range of 1 to " + limit + " Hz";
    case ConversionProblem::pictureSize:
        return "it declares " + std::to_string(d.width) + " x " + std::to_string(d.height)
               + " pixels; the converter takes sides of 1 to " + std::to_string(kPictureMaxSide)
               + " pixels and at most "
               + limit + " pixels in all";
    }
    return "the converter refused it";
}

// Which converter export serves a source file, and the names of the files a
// conversion makes beside it.
#pragma once
#include "PackedImageMap.h"  // ReadAt
#include <cstdint>
#include <string>

// Names are built in buffers of this many characters, terminator included.
constexpr size_t kPathBufferChars = 260;

struct AudioConversion {
    const char* exportName = nullptr;
    std::string firstByProduct;   // handed to the converter
    std::string secondByProduct;  // made by the converter beside the converted file
};

// The text after the last "." of a path (the whole path when it has none).
std::string FileExtension(const std::string& path);
// What the builder's lists take, by extension (any case): MP3 and WAV go to
// the audio list, JPG (or JPEG), BMP, PNG and GIF to the image list, as the
// lists' file dialogs offer them.
enum class SourceKind { audio, image, other };
SourceKind SourceKindOf(const std::string& path);

// The converted file of a source: source + ".rbf".
std::string ConvertedPath(const std::string& source);

// Chooses the export by speech format, then extension, both without regard
// to case. False when the pair has no converter, or when a name would not
// fit its buffer.
bool PlanAudioConversion(const std::string& speechFormat, const std::string& source,
                         const std::string& converted, AudioConversion* plan);

// The converter libraries' own limits, as they state them.
constexpr uint64_t kAudioSourceMaxBytes = 134217728;  // 128 MiB
constexpr int kAudioMaxRate = 192000;                  // Hz
constexpr uint64_t kApmMaxSamples = 33554432;
constexpr uint64_t kMdmMaxSamples = 16777216;
constexpr uint32_t kPictureMaxSide = 65535;
constexpr uint64_t kPictureMaxPixels = 50331648;

// Why a conversion failed, as far as the caller can tell: the converters
// answer only 1 or 0.
enum class ConversionProblem {
    unknown,          // the converter refused it for a reason not found here
    noLibrary,        // the converter library isn't loaded
    noExport,         // detail: the export the library lacks
    pathTooLong,      // value: the source path's characters; limit: the most it may have
    unsupportedKind,  // detail: what was found, when more than the extension
    unreadable,
    empty,            // no bytes, or a sound without a sample
    tooLarge,         // value: the file's bytes; limit: the converter's most
    tooManySamples,   // value: the samples a conversion would give; limit: the most
    rateOutOfRange,   // value: the rate; limit: the highest the converter takes
    pictureSize,      // width x height as the picture declares them
};

struct ConversionDiagnosis {
    ConversionProblem problem = ConversionProblem::unknown;
    uint64_t value = 0, limit = 0;
    uint64_t width = 0, height = 0;
    std::string detail;
};

// The longest source path a conversion takes: its names must fit the path
// buffers (0 for an unknown speech format).
size_t LongestAudioSource(const std::string& speechFormat);
size_t LongestImageSource();
// What the plan of an audio conversion refuses (unknown when it has a plan).
ConversionDiagnosis DiagnoseAudioPlan(const std::string& speechFormat, const std::string& source);
// What the converter refuses in an audio source of fileSize bytes, read
// through read; extension is the source's.
ConversionDiagnosis DiagnoseAudioSource(const ReadAt& read, uint64_t fileSize, const std::string& extension,
                                        const std::string& speechFormat, int sampleRate);
// What the converter refuses in a picture: its kind by its first bytes, and
// the size its header declares.
ConversionDiagnosis DiagnosePicture(const ReadAt& read, uint64_t fileSize);
// The diagnosis as a clause for "can't convert FILE: ...".
std::string ConversionProblemText(const ConversionDiagnosis& diagnosis, bool audio);

// The builder's chain without any window: check the parameters, convert
// every listed file through the converter libraries, pack the converted
// files into one packed image and remove them again.
#pragma once
#include "MediaConverters.h"
#include "Packer.h"
#include <cstdint>
#include <string>
#include <vector>

struct BuildRequest {
    std::vector<std::string> audioFiles;   // sources, in list order; paths here are in the ANSI code page
    std::vector<std::string> imageFiles;
    std::string speechFormat = media::SpeechFormatName(kDefaultSpeechFormat);  // as the panel holds it
    int sampleRate = kDefaultSampleRate;
    int systemClock = kDefaultSystemClock;
    uint32_t audioStart = kDefaultAudioStart;
    uint32_t imageStart = kDefaultImageStart;
    bool imageStartAfterAudio = false;      // instead of imageStart: the first sector boundary after the audio
    unsigned char background[3] = { kDefaultBackground[0], kDefaultBackground[1], kDefaultBackground[2] };  // red, green, blue
    unsigned short imageWidth = kImageWidth;
    unsigned short imageHeight = kImageHeight;
    std::wstring outputPath;                // the packed image; any name
    bool keepConverted = false;             // leave the converted files beside their sources
    bool keepOldOutput = false;             // a failure leaves a file at outputPath as it was
};

enum class BuildStage { converting, packing };

enum class BuildFailure { none, audioAddressOdd, imageAddressOdd, noMedia, sampleRateZero, convertAudio, convertImage, pack };

// A failure with what is known of it.
struct BuildRefusal {
    BuildFailure failure = BuildFailure::none;
    std::string file;                // the source that failed to convert, else empty
    ConversionDiagnosis conversion;  // convertAudio, convertImage: why, as far as is known
    PackResult pack;                 // pack: why, and the addresses worked out
};

class BuildReport {
public:
    virtual void Stage(BuildStage stage) {}
    // Before each file is converted.
    virtual void Converting(const std::string& source) {}
    // The packed image is complete: where the sections went.
    virtual void Layout(const PackResult& result) {}
    // Every failure is reported here; unless overridden it goes on to Failure.
    virtual void Refused(const BuildRefusal& refusal) { Failure(refusal.failure, refusal.file); }
    // file: the source that failed to convert, else empty.
    virtual void Failure(BuildFailure failure, const std::string& file) {}

protected:
    ~BuildReport() = default;
};

// The values the packer reads, as the request gives them.
PackParams PackParamsOf(const BuildRequest& request);

// What the chain refuses before it converts anything: odd start addresses,
// no files, audio without a sample rate; none when it may go on.
BuildFailure CheckBuildRequest(const BuildRequest& request);

// A short English description of a failure.
const char* BuildFailureText(BuildFailure failure);

// The converted files of a build, beside their sources until this object
// goes (or Remove is called), so that a caller can write the packed image
// first and tidy up after.
class ConvertedFiles {
public:
    ConvertedFiles() = default;
    ~ConvertedFiles() { Remove(); }
    ConvertedFiles(const ConvertedFiles&) = delete;
    ConvertedFiles& operator=(const ConvertedFiles&) = delete;

    void Add(const std::string& path) { m_paths.push_back(path); }
    void Remove();

private:
    std::vector<std::string> m_paths;
};

// 1 when the packed image was written, 0 after reporting why not. Nothing is
// converted when a check fails; after a failed conversion no converted file
// remains, nor after a failed pack unless they are to be kept; a failed pack
// leaves no packed image. After a pack the converted files are removed before
// the call returns, unless they are to be kept, or handed to `converted`
// when it is given.
int BuildPackedImage(const BuildRequest& request, const MediaConverters& converters, BuildReport& report,
                     ConvertedFiles* converted = nullptr);

#include "BuildChain.h"
#include "ConversionPlan.h"
#include "Packer.h"
#include "StringConv.h"

namespace {

void DeleteFiles(const std::vector<std::string>& files)
{
    for (const std::string& file : files)
        ::DeleteFileA(file.c_str());
}

}  // namespace

PackParams PackParamsOf(const BuildRequest& request)
{
    PackParams params;
    params.speechFormat = request.speechFormat;
    params.sampleRate = static_cast<uint32_t>(request.sampleRate);
    params.systemClock = static_cast<uint32_t>(request.systemClock);
    params.audioStart = request.audioStart;
    params.imageStart = request.imageStart;
    params.imageStartAfterAudio = request.imageStartAfterAudio;
    return params;
}

BuildFailure CheckBuildRequest(const BuildRequest& request)
{
    if (request.audioStart & 1)
        return BuildFailure::audioAddressOdd;
    if (request.imageStart & 1)
        return BuildFailure::imageAddressOdd;
    if (request.audioFiles.empty() && request.imageFiles.empty())
        return BuildFailure::noMedia;
    // Audio records need a rate to derive their timer from.
    if (!request.audioFiles.empty() && request.sampleRate <= 0)
        return BuildFailure::sampleRateZero;
    return BuildFailure::none;
}

const char* BuildFailureText(BuildFailure failure)
{
    switch (failure) {
    case BuildFailure::none:
        return "ok";
    case BuildFailure::audioAddressOdd:
        return "the audio start address is odd";
    case BuildFailure::imageAddressOdd:
        return "the image start address is odd";
    case BuildFailure::noMedia:
        return "no audio or image file given";
    case BuildFailure::sampleRateZero:
        return "the sample rate is 0";
    case BuildFailure::convertAudio:
        return "audio conversion failed";
    case BuildFailure::convertImage:
        return "image conversion failed";
    case BuildFailure::pack:
        return "packing failed";
    }
    return "failed";
}

void ConvertedFiles::Remove()
{
    DeleteFiles(m_paths);
    m_paths.clear();
}

int BuildPackedImage(const BuildRequest& request, const MediaConverters& converters, BuildReport& report,
                     ConvertedFiles* converted)
{
    BuildRefusal refusal;
    refusal.failure = CheckBuildRequest(request);
    if (refusal.failure != BuildFailure::none) {
        report.Refused(refusal);
        return 0;
    }

    std::vector<std::string> audio, images;
    report.Stage(BuildStage::converting);
    for (const std::string& source : request.audioFiles) {
        report.Converting(source);
        std::string converted = ConvertedPath(source);
        if (!converters.ConvertAudio(request.speechFormat, source, converted, request.sampleRate)) {
            refusal.failure = BuildFailure::convertAudio;
            refusal.file = source;
            refusal.conversion = converters.DiagnoseAudio(request.speechFormat, source, request.sampleRate);
            report.Refused(refusal);
            DeleteFiles(audio);
            return 0;
        }
        audio.push_back(converted);
    }
    for (const std::string& source : request.imageFiles) {
        report.Converting(source);
        std::string converted = ConvertedPath(source);
        if (!converters.ConvertImage(source, converted, request.imageWidth, request.imageHeight,
                                     request.background)) {
            refusal.failure = BuildFailure::convertImage;
            refusal.file = source;
            refusal.conversion = converters.DiagnoseImage(source);
            report.Refused(refusal);
            DeleteFiles(audio);
            DeleteFiles(images);
            return 0;
        }
        images.push_back(converted);
    }

    report.Stage(BuildStage::packing);
    const int packed = PackImage(audio, images, request.outputPath, PackParamsOf(request), &refusal.pack,
                                 request.keepOldOutput ? OldOutput::keepOnFailure : OldOutput::removeOnFailure);
    if (!packed) {
        refusal.failure = BuildFailure::pack;
        report.Refused(refusal);
    } else {
        report.Layout(refusal.pack);
    }
    if (request.keepConverted)
        return packed;
    if (packed && converted) {
        for (const std::string& file : audio)
            converted->Add(file);
        for (const std::string& file : images)
            converted->Add(file);
        return packed;
    }
    DeleteFiles(audio);
    DeleteFiles(images);
    return packed;
}

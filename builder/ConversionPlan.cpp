#include "ConversionPlan.h"
#include <cctype>

namespace {

bool SameText(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

}  // namespace

std::string FileExtension(const std::string& path)
{
    size_t dot = path.find_last_of('.');
    return dot == std::string::npos ? path : path.substr(dot + 1);
}

std::string ConvertedPath(const std::string& source)
{
    return source + ".rbf";
}

bool PlanAudioConversion(const std::string& speechFormat, const std::string& source,
                         const std::string& converted, AudioConversion* plan)
{
    std::string extension = FileExtension(source);
    bool mp3 = SameText(extension, "MP3");
    bool wav = SameText(extension, "WAV");
    if (SameText(speechFormat, "MDM")) {
        if (!mp3 && !wav)
            return false;
        plan->exportName = mp3 ? "ConvertMP3ToMDMWithResample" : "ConvertWAVToMDMWithResample";
        plan->firstByProduct = source + ".mdm";
        plan->secondByProduct = converted + ".h";
    } else if (SameText(speechFormat, "APM")) {
        if (!mp3 && !wav)
            return false;
        plan->exportName = mp3 ? "ConvertMP3ToAPMWithResample" : "ConvertWAVToAPMWithResample";
        plan->firstByProduct = source + ".apm";
        plan->secondByProduct = converted + ".apm";
    } else {
        return false;
    }
    // Every name must fit a path buffer with its terminator.
    const std::string* names[] = { &source, &converted, &plan->firstByProduct, &plan->secondByProduct };
    for (const std::string* name : names) {
        if (name->size() + 1 > kPathBufferChars)
            return false;
    }
    return true;
}

#include "MediaConverters.h"
#include "ConversionPlan.h"

namespace {
typedef int(WINAPI* AudioExport)(const char*, const char*, const char*, int);
typedef int(WINAPI* ImageExport)(const char*, const char*, unsigned int, unsigned int, int, int,
                                 const unsigned char*);
}

int MediaConverters::ConvertAudio(const std::string& speechFormat, const std::string& source,
                                  const std::string& converted, int sampleRate) const
{
    if (!m_hTuneMill)
        return 0;
    AudioConversion plan;
    if (!PlanAudioConversion(speechFormat, source, converted, &plan))
        return 0;
    auto convert = reinterpret_cast<AudioExport>(::GetProcAddress(m_hTuneMill, plan.exportName));
    if (!convert)
        return 0;
    if (convert(source.c_str(), plan.firstByProduct.c_str(), converted.c_str(), sampleRate) == 0)
        return 0;
    ::DeleteFileA(plan.firstByProduct.c_str());
    ::DeleteFileA(plan.secondByProduct.c_str());
    return 1;
}

int MediaConverters::ConvertImage(const std::string& source, const std::string& converted, unsigned short width,
                                  unsigned short height, const unsigned char* background) const
{
    if (!m_hPicMill || converted.size() + 1 > kPathBufferChars)
        return 0;
    auto convert = reinterpret_cast<ImageExport>(::GetProcAddress(m_hPicMill, "ConvertImageResourceToRBF"));
    if (!convert)
        return 0;
    return convert(source.c_str(), converted.c_str(), width, height, 2, 1, background);
}

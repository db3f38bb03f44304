#include "MediaConverters.h"
#include "ConversionPlan.h"
#include <mutex>

namespace {
typedef int(WINAPI* AudioExport)(const char*, const char*, const char*, int);
typedef int(WINAPI* ImageExport)(const char*, const char*, unsigned int, unsigned int, int, int,
                                 const unsigned char*);

const char kImageExport[] = "ConvertImageResourceToRBF";

// Held for every export's call, by every thread.
std::mutex& ConverterLock()
{
    static std::mutex lock;
    return lock;
}

ConversionDiagnosis Missing(ConversionProblem problem, const char* exportName = "")
{
    ConversionDiagnosis diagnosis;
    diagnosis.problem = problem;
    diagnosis.detail = exportName;
    return diagnosis;
}

// Runs a diagnosis over a source file opened for reading (a path in the
// ANSI code page).
template <typename Diagnose>
ConversionDiagnosis DiagnoseFile(const std::string& source, Diagnose diagnose)
{
    HANDLE file = ::CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size = {};
    if (file == INVALID_HANDLE_VALUE || !::GetFileSizeEx(file, &size)) {
        if (file != INVALID_HANDLE_VALUE)
            ::CloseHandle(file);
        return Missing(ConversionProblem::unreadable);
    }
    ReadAt read = [file](uint64_t offset, void* buffer, size_t bytes) {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        DWORD got = 0;
        return bytes <= 0xFFFFFFFFu && ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN)
               && ::ReadFile(file, buffer, static_cast<DWORD>(bytes), &got, nullptr) && got == bytes;
    };
    const ConversionDiagnosis diagnosis = diagnose(read, static_cast<uint64_t>(size.QuadPart));
    ::CloseHandle(file);
    return diagnosis;
}

}  // namespace

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
    {
        std::lock_guard<std::mutex> one(ConverterLock());
        if (convert(source.c_str(), plan.firstByProduct.c_str(), converted.c_str(), sampleRate) == 0)
            return 0;
    }
    ::DeleteFileA(plan.firstByProduct.c_str());
    ::DeleteFileA(plan.secondByProduct.c_str());
    return 1;
}

int MediaConverters::ConvertAudioOnly(const std::string& speechFormat, const std::string& source,
                                      const std::string& converted, int sampleRate) const
{
    AudioConversion plan;
    if (!m_hTuneMill || !PlanAudioConversion(speechFormat, source, converted, &plan))
        return 0;
    auto convert = reinterpret_cast<AudioExport>(::GetProcAddress(m_hTuneMill, plan.exportName));
    if (!convert)
        return 0;
    {
        std::lock_guard<std::mutex> one(ConverterLock());
        if (convert(source.c_str(), "", converted.c_str(), sampleRate) == 0)
            return 0;
    }
    ::DeleteFileA(plan.secondByProduct.c_str());
    return 1;
}

int MediaConverters::ConvertImage(const std::string& source, const std::string& converted, unsigned short width,
                                  unsigned short height, const unsigned char* background) const
{
    if (!m_hPicMill || converted.size() + 1 > kPathBufferChars)
        return 0;
    auto convert = reinterpret_cast<ImageExport>(::GetProcAddress(m_hPicMill, kImageExport));
    if (!convert)
        return 0;
    std::lock_guard<std::mutex> one(ConverterLock());
    return convert(source.c_str(), converted.c_str(), width, height, 2, 1, background);
}

ConversionDiagnosis MediaConverters::DiagnoseAudio(const std::string& speechFormat, const std::string& source,
                                                   int sampleRate) const
{
    ConversionDiagnosis plan = DiagnoseAudioPlan(speechFormat, source);
    if (plan.problem != ConversionProblem::unknown)
        return plan;
    if (!m_hTuneMill)
        return Missing(ConversionProblem::noLibrary);
    AudioConversion conversion;
    if (PlanAudioConversion(speechFormat, source, ConvertedPath(source), &conversion)
        && !::GetProcAddress(m_hTuneMill, conversion.exportName))
        return Missing(ConversionProblem::noExport, conversion.exportName);
    const std::string extension = FileExtension(source);
    return DiagnoseFile(source, [&](const ReadAt& read, uint64_t size) {
        return DiagnoseAudioSource(read, size, extension, speechFormat, sampleRate);
    });
}

ConversionDiagnosis MediaConverters::DiagnoseImage(const std::string& source) const
{
    if (ConvertedPath(source).size() + 1 > kPathBufferChars) {
        ConversionDiagnosis diagnosis;
        diagnosis.problem = ConversionProblem::pathTooLong;
        diagnosis.value = source.size();
        diagnosis.limit = LongestImageSource();
        return diagnosis;
    }
    if (!m_hPicMill)
        return Missing(ConversionProblem::noLibrary);
    if (!::GetProcAddress(m_hPicMill, kImageExport))
        return Missing(ConversionProblem::noExport, kImageExport);
    return DiagnoseFile(source, DiagnosePicture);
}

#include "ConvertCommand.h"
#include "AudioRecord.h"
#include "BuilderParams.h"
#include "ConsoleFiles.h"
#include "ConversionPlan.h"
#include "ConverterLibrary.h"
#include "ExitCodes.h"
#include "MediaConverters.h"
#include "MediaWriters.h"
#include "PictureDecoder.h"
#include "StringConv.h"
#include <cctype>
#include <vector>

namespace {

// The text after the name's last ".", in lower case; empty when it has none.
std::string Extension(const std::string& path)
{
    std::string extension = FileExtension(path);
    if (extension.size() == path.size())
        return std::string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}


// A folder the converters can name (in the ANSI code page) for the
// converted file: the temporary folder, else its short form, else the
// source's own folder.
std::vector<std::wstring> StagingPlaces(const std::string& ansiSource)
{
    std::vector<std::wstring> places;
    wchar_t folder[MAX_PATH + 1], shortForm[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length > 0 && length <= MAX_PATH) {
        places.push_back(folder);
        const DWORD shortLength = ::GetShortPathNameW(folder, shortForm, MAX_PATH + 1);
        if (shortLength > 0 && shortLength <= MAX_PATH)
            places.push_back(shortForm);
    }
    const size_t cut = ansiSource.find_last_of("\\/:");
    places.push_back(cut == std::string::npos ? L".\\" : WideFromAnsi(ansiSource.substr(0, cut + 1)));
    return places;
}

// The converted file, in a new folder of the program's own that it makes
// for it, so that no file of anyone else's is ever used or removed. The file
// and the folder go with the object; the folder only when nothing else came
// into it.
class ConvertedFile {
public:
    explicit ConvertedFile(const std::string& ansiSource)
    {
        for (std::wstring place : StagingPlaces(ansiSource)) {
            if (place.back() != L'\\' && place.back() != L'/')
                place += L'\\';
            std::string ansiPlace;
            if (!AnsiFromWideExact(place, &ansiPlace))
                continue;
            for (int attempt = 0; attempt < 100 && m_ansi.empty(); ++attempt) {
                const std::string folder = ansiPlace + "tessa-" + std::to_string(::GetCurrentProcessId()) + "-"
                                           + std::to_string(::GetTickCount() + attempt) + ".tmp";
                if (::CreateDirectoryA(folder.c_str(), nullptr)) {
                    m_folder = folder;
                    m_ansi = folder + "\\converted.rbf";
                } else if (::GetLastError() != ERROR_ALREADY_EXISTS) {
                    break;
                }
            }
            if (!m_ansi.empty())
                return;
        }
    }
    ~ConvertedFile()
    {
        if (m_folder.empty())
            return;
        ::DeleteFileA(m_ansi.c_str());
        ::RemoveDirectoryA(m_folder.c_str());
    }
    ConvertedFile(const ConvertedFile&) = delete;
    ConvertedFile& operator=(const ConvertedFile&) = delete;

    // Empty when no folder could be made.
    const std::string& Ansi() const { return m_ansi; }

private:
    std::string m_folder, m_ansi;
};

// The converted clip as a WAV file at target, playing at the rate its timer
// settings give, as packed.
int WriteClip(const InputFile& converted, const TessaOptions& options, const std::wstring& target,
              ConsoleOutput& out)
{
    uint8_t prescaler = 0, timerCount = 0;
    TimerSettings(static_cast<uint32_t>(options.clock), static_cast<uint32_t>(options.rate), &prescaler, &timerCount);
    const uint32_t rate = media::PlaybackRate(static_cast<uint32_t>(options.clock), prescaler, timerCount);
    media::SpeechFormat format = kDefaultSpeechFormat;
    media::ParseSpeechFormat(options.format, &format);  // checked with the options
    std::string why;
    if (rate == 0 || !WriteClipWave(converted.Reader(), 0, converted.Size(), format, rate, target, &why)) {
        out.Error("can't write " + options.output + ": " + (rate ? why : "the clip plays at 0 Hz"));
        return kExitBadInput;
    }
    out.Info("converted " + options.input + " to " + options.output + ": "
             + media::ClipText(format, rate, converted.Size() * media::SamplesPerByte(format)));
    return kExitOk;
}

// The converted picture as a PNG file at target.
int WritePicture(const InputFile& converted, const TessaOptions& options, const std::wstring& target,
                 ConsoleOutput& out)
{
    std::vector<uint8_t> rbf(media::kScreenRbfBytes), rgb(media::kScreenRbfBytes / 2 * 3);
    if (converted.Size() != rbf.size() || !converted.Reader()(0, rbf.data(), rbf.size())) {
        out.Error("the converter gave " + std::to_string(converted.Size()) + " bytes, not "
                  + std::to_string(rbf.size()));
        return kExitFailed;
    }
    media::DecodeRbf(rbf.data(), rbf.size() / 2, rgb.data());
    PngWriter png;
    std::string why;
    if (!png.Write(rgb.data(), media::kScreenWidth, media::kScreenHeight, target, &why)) {
        out.Error("can't write " + options.output + ": " + why);
        return kExitBadInput;
    }
    out.Info("converted " + options.input + " to " + options.output + ": 128 x 128 on "
             + std::to_string(options.background[0]) + "," + std::to_string(options.background[1]) + ","
             + std::to_string(options.background[2]));
    return kExitOk;
}

}  // namespace

int RunConvertCommand(const TessaOptions& options, ConsoleOutput& out)
{
    const std::string& source = options.input;
    const SourceKind kind = SourceKindOf(source);
    if (kind == SourceKind::other) {
        out.Error("unknown kind of source: " + source + " (audio .mp3 or .wav, pictures .jpg, .bmp, .png or .gif)");
        return kExitBadInput;
    }
    const bool audio = kind == SourceKind::audio;
    const std::string wanted = audio ? "wav" : "png";
    if (Extension(options.output) != wanted) {
        out.Error(std::string(audio ? "an audio file" : "a picture") + " converts to a ." + wanted
                  + " file: " + options.output);
        return kExitBadInput;
    }
    if (audio && options.rate <= 0) {
        out.Error("the sample rate is 0 Hz; audio needs one: give --rate HZ");
        return kExitBadInput;
    }
    if (IsFolder(options.output)) {
        out.Error(options.output + " is a folder: give -o the name of the file to write");
        return kExitBadInput;
    }
    std::vector<std::string> ansi;
    if (!AnsiSources({ source }, &ansi, out))
        return kExitBadInput;
    const std::wstring target = ExtendedPath(options.output);
    if (SameFile(WideFromUtf8(source), target)) {
        out.Error("the output " + options.output + " is the source itself");
        return kExitBadInput;
    }
    ConverterLibrary library;
    if (!library.Load(audio ? "TuneMill.dll" : "PicMill.dll", out))
        return kExitFailed;
    const MediaConverters converters(audio ? library.Module() : nullptr, audio ? nullptr : library.Module());

    const ConvertedFile converted(ansi[0]);
    if (converted.Ansi().empty()) {
        out.Error("can't make a folder for the converted file: set TEMP to a folder whose name the ANSI code page "
                  "holds");
        return kExitFailed;
    }
    // The converted file and its description go to the program's own folder
    // only.
    const int done = audio ? converters.ConvertAudioOnly(options.format, ansi[0], converted.Ansi(), options.rate)
                           : converters.ConvertImage(ansi[0], converted.Ansi(), media::kScreenWidth,
                                                     media::kScreenHeight, options.background);
    if (!done) {
        const ConversionDiagnosis diagnosis = audio ? converters.DiagnoseAudio(options.format, ansi[0], options.rate)
                                                    : converters.DiagnoseImage(ansi[0]);
        out.Error("can't convert " + source + ": " + ConversionProblemText(diagnosis, audio));
        const bool libraryFailed = diagnosis.problem == ConversionProblem::noLibrary
                                   || diagnosis.problem == ConversionProblem::noExport;
        return libraryFailed ? kExitFailed : kExitBadInput;
    }
    InputFile result;
    if (!result.Open(WideFromAnsi(converted.Ansi()))) {
        out.Error("can't read the converted file " + Utf8FromAnsi(converted.Ansi()));
        return kExitFailed;
    }
    return audio ? WriteClip(result, options, target, out) : WritePicture(result, options, target, out);
}

#include "MediaPreview.h"
#include "AudioRecord.h"
#include "PictureDecoder.h"
#include "SpeechDecoder.h"
#include "StringConv.h"
#include <windows.h>
#include <cstdio>

namespace {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    bool ok = ::GetFileSizeEx(file, &size) && size.QuadPart <= 64 * 1024 * 1024;
    if (ok) {
        bytes->resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = bytes->empty()
             || (::ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &got, nullptr) && got == bytes->size());
    }
    ::CloseHandle(file);
    return ok;
}

}  // namespace

bool TempConvertedPath(const char* extension, std::string* path)
{
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH)
        return false;
    static LONG counter = 0;
    wchar_t name[64];
    std::swprintf(name, 64, L"tessaline-look-%lu-%ld.%hs", ::GetCurrentProcessId(), ::InterlockedIncrement(&counter),
                  extension);
    return AnsiFromWideExact(std::wstring(folder) + name, path);
}

bool PrepareClipPreview(const MediaConverters& converters, const ClipRequest& request, ClipPreview* clip)
{
    std::string converted;
    if (request.sampleRate <= 0 || request.systemClock <= 0 || !TempConvertedPath("clip", &converted))
        return false;
    std::vector<uint8_t> bytes;
    const bool ok = converters.ConvertAudioOnly(request.speechFormat, request.source, converted, request.sampleRate)
                    && ReadWholeFile(converted, &bytes);
    ::DeleteFileA(converted.c_str());
    if (!ok)
        return false;
    // The converter has taken the format's name without regard to case.
    if (!media::ParseSpeechFormat(request.speechFormat, &clip->speechFormat))
        return false;
    clip->samples = media::DecodeSpeech(clip->speechFormat, bytes);
    // The rate the device's timer gives for the asked one.
    uint8_t prescaler = 0, timerCount = 0;
    const uint32_t clock = static_cast<uint32_t>(request.systemClock);
    TimerSettings(clock, static_cast<uint32_t>(request.sampleRate), &prescaler, &timerCount);
    clip->playRate = media::PlaybackRate(clock, prescaler, timerCount);
    return clip->playRate > 0 && !clip->samples.empty();
}

std::string ClipPreviewText(const ClipPreview& clip)
{
    return media::ClipText(clip.speechFormat, clip.playRate, clip.samples.size());
}

bool PrepareDevicePicture(const MediaConverters& converters, const std::string& source, uint32_t background,
                          std::vector<uint8_t>* rgb)
{
    std::string converted;
    if (!TempConvertedPath("rbf", &converted))
        return false;
    const unsigned char colour[3] = { static_cast<unsigned char>(background & 0xFF),
                                      static_cast<unsigned char>((background >> 8) & 0xFF),
                                      static_cast<unsigned char>((background >> 16) & 0xFF) };
    std::vector<uint8_t> bytes;
    const bool ok = converters.ConvertImage(source, converted, 128, 128, colour) && ReadWholeFile(converted, &bytes);
    ::DeleteFileA(converted.c_str());
    if (!ok || bytes.size() < media::kScreenRbfBytes)
        return false;
    rgb->resize(media::kScreenRbfBytes / 2 * 3);
    media::DecodeRbf(bytes.data(), media::kScreenRbfBytes / 2, rgb->data());
    return true;
}

// A builder clip or picture as the device will play or show it, without any
// window: the file converted with the panel's values into the temporary
// folder, decoded back, and the converted files removed again.
#pragma once
#include "BuilderParams.h"
#include "MediaConverters.h"
#include <cstdint>
#include <string>
#include <vector>

struct ClipRequest {
    std::string source;             // ANSI code page, as the converters take it
    std::string speechFormat = media::SpeechFormatName(kDefaultSpeechFormat);  // as the panel holds it
    int sampleRate = kDefaultSampleRate;
    int systemClock = kDefaultSystemClock;
};

struct ClipPreview {
    media::SpeechFormat speechFormat = kDefaultSpeechFormat;
    uint32_t playRate = 0;          // Hz, as the device's timer plays it
    std::vector<int16_t> samples;
};

// A new name in the temporary folder for a converted file, in the ANSI code
// page the converters take; false when that can't hold it.
bool TempConvertedPath(const char* extension, std::string* path);

// Converts into the temporary folder, decodes, and removes every file it
// made. False when the conversion or the decoding fails.
bool PrepareClipPreview(const MediaConverters& converters, const ClipRequest& request, ClipPreview* clip);

// "APM 8000 Hz, 3.2 s": the format, the rate it plays at and its length.
std::string ClipPreviewText(const ClipPreview& clip);

// A picture converted to 128 x 128 RGB565 on the background (0x00BBGGRR)
// and expanded back to 8 bits a channel: rows top-down, red, green, blue.
bool PrepareDevicePicture(const MediaConverters& converters, const std::string& source, uint32_t background,
                          std::vector<uint8_t>* rgb);

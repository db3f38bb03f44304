// The builder's parameters as the panel's fields show them and as the
// settings store keeps them.
#pragma once
#include "PictureDecoder.h"
#include "SpeechFormat.h"
#include <cstdint>
#include <string>

// The builder's defaults: what an empty settings store gives the panel, and
// what the build chain, the packer and the packed image's map start from.
constexpr media::SpeechFormat kDefaultSpeechFormat = media::SpeechFormat::apm;
constexpr int kDefaultSampleRate = 8000;            // Hz
constexpr int kDefaultSystemClock = 6144000;        // Hz
constexpr uint8_t kDefaultBackground[3] = { 255, 255, 255 };  // red, green, blue: white
constexpr uint32_t kDefaultAudioStart = 0;          // flash addresses
constexpr uint32_t kDefaultImageStart = 0;
// Pictures are converted to the device's screen; the size is not stored.
constexpr unsigned short kImageWidth = media::kScreenWidth;
constexpr unsigned short kImageHeight = media::kScreenHeight;

// The longest list entry (a full path) the panel keeps.
constexpr size_t kMaxListEntryChars = 259;
// The packed image's counts are 16 bits wide.
constexpr int kMaxListEntries = 65535;

// Reads hexadecimal digits from the start: 1 when the whole text was read,
// 0 at the first other character, the value keeping the digits before it.
int ParseHex(const std::string& text, uint32_t* value);

// Leading blanks, an optional sign, then digits up to the first other
// character; no digits give 0.
int ParseDecimal(const std::string& text);

// A colour value as the store keeps it: red | green << 8 | blue << 16.
constexpr uint32_t PackColor(uint8_t red, uint8_t green, uint8_t blue)
{
    return static_cast<uint32_t>(red) | static_cast<uint32_t>(green) << 8 | static_cast<uint32_t>(blue) << 16;
}
void SplitColor(uint32_t color, uint8_t* red, uint8_t* green, uint8_t* blue);

// "%08X", "%d", "(%d, %d, %d)" and "File%d".
std::string FormatHex8(uint32_t value);
std::string FormatDecimal(int value);
std::string FormatColor(uint8_t red, uint8_t green, uint8_t blue);
std::string FileKey(int index);

// How many "File%d" entries a stored count asks to read.
int StoredEntriesToRead(int count);

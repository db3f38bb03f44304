// The device's two speech formats and the names that the builder's list,
// its settings and tessa's options give them.
#pragma once
#include <string>

namespace media {

enum class SpeechFormat { apm, mdm };

// "APM" or "MDM".
constexpr const char* SpeechFormatName(SpeechFormat format)
{
    return format == SpeechFormat::mdm ? "MDM" : "APM";
}

// The format a name gives, its letters compared without their case ("mdm"
// is MDM); false, with format left alone, for any other text.
bool ParseSpeechFormat(const std::string& text, SpeechFormat* format);

}  // namespace media

#include "SpeechFormat.h"
#include "StringConv.h"

namespace media {

bool ParseSpeechFormat(const std::string& text, SpeechFormat* format)
{
    for (const SpeechFormat known : { SpeechFormat::apm, SpeechFormat::mdm }) {
        if (SameTextIgnoringCase(text, SpeechFormatName(known))) {
            *format = known;
            return true;
        }
    }
    return false;
}

}  // namespace media

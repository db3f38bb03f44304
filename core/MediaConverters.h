// The converter libraries' exports, called through modules their owner has
// loaded (the main window or the console program). Knows no window.
// Conversions run one at a time in the process, whichever thread asks (a
// vendor's library may keep state between calls): each call holds one lock
// for the length of its export's call, so a thread waits at most for the
// conversion of one file.
#pragma once
#include "ConversionPlan.h"
#include <windows.h>
#include <string>

class MediaConverters {
public:
    MediaConverters(HMODULE tuneMill, HMODULE picMill) : m_hTuneMill(tuneMill), m_hPicMill(picMill) {}

    // Converts an MP3 or WAV file into the speech format beside it and
    // removes the converter's by-products. 1 on success; 0 when the library,
    // the export or the conversion fails.
    int ConvertAudio(const std::string& speechFormat, const std::string& source, const std::string& converted,
                     int sampleRate) const;
    // The same into converted alone: no resampled copy beside the source,
    // and the description beside converted removed.
    int ConvertAudioOnly(const std::string& speechFormat, const std::string& source, const std::string& converted,
                         int sampleRate) const;
    // The image export's result: nonzero on success.
    int ConvertImage(const std::string& source, const std::string& converted, unsigned short width,
                     unsigned short height, const unsigned char* background) const;

    // Why a conversion that gave 0 failed, as far as can be told from
    // outside: the plan, the library, the source's size and header.
    ConversionDiagnosis DiagnoseAudio(const std::string& speechFormat, const std::string& source,
                                      int sampleRate) const;
    ConversionDiagnosis DiagnoseImage(const std::string& source) const;

private:
    HMODULE m_hTuneMill;
    HMODULE m_hPicMill;
};

// WAV files built byte by byte for the audio tests, independently of the
// library's own writer.
#pragma once
#include "MediaFiles.h"

#include <cmath>

namespace media_test {

struct WavSpec {
    unsigned rate = 8000;
    unsigned channels = 1;
    unsigned bits = 16;
    uint16_t formatTag = 1;      // 0xFFFE: WAVE_FORMAT_EXTENSIBLE
    bool pcmSubFormat = true;    // the extensible sub-format is PCM (else IEEE float)
    bool listChunkFirst = false; // an odd-sized "LIST" chunk before "fmt "
};

// values: interleaved samples, each stored in `bits` bits (8-bit as given, unsigned).
inline Bytes MakeWav(const WavSpec& layout, const std::vector<int>& values)
{
    Bytes data;
    for (int v : values) {
        if (layout.bits == 8)
            data.push_back(static_cast<uint8_t>(v));
        else
            Put16(data, static_cast<uint16_t>(v));
    }
    const bool extensible = layout.formatTag == 0xFFFE;
    Bytes fmt;
    Put16(fmt, layout.formatTag);
    Put16(fmt, layout.channels);
    Put32(fmt, layout.rate);
    Put32(fmt, layout.rate * layout.channels * layout.bits / 8);
    Put16(fmt, layout.channels * layout.bits / 8);
    Put16(fmt, layout.bits);
    if (extensible) {
        Put16(fmt, 22);
        Put16(fmt, layout.bits);
        Put32(fmt, layout.channels == 2 ? 3 : 4);
        Put32(fmt, layout.pcmSubFormat ? 1 : 3);
        const uint8_t tail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                  0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        fmt.insert(fmt.end(), tail, tail + 12);
    }
    Bytes body;
    PutTag(body, "WAVE");
    if (layout.listChunkFirst) {
        PutTag(body, "LIST");
        Put32(body, 5);
        const char info[6] = {'I', 'N', 'F', 'O', 'x', 0};  // 5 bytes and the pad byte
        body.insert(body.end(), info, info + 6);
    }
    PutTag(body, "fmt ");
    Put32(body, static_cast<uint32_t>(fmt.size()));
    body.insert(body.end(), fmt.begin(), fmt.end());
    PutTag(body, "data");
    Put32(body, static_cast<uint32_t>(data.size()));
    body.insert(body.end(), data.begin(), data.end());
    Bytes file;
    PutTag(file, "RIFF");
    Put32(file, static_cast<uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

inline Bytes MakeWav16Mono(unsigned rate, const std::vector<int>& values)
{
    WavSpec layout;
    layout.rate = rate;
    return MakeWav(layout, values);
}

inline std::vector<int> Sine(size_t count, unsigned rate, double frequency, double amplitude)
{
    std::vector<int> values(count);
    for (size_t i = 0; i < count; ++i)
        values[i] = static_cast<int>(std::lround(amplitude * std::sin(6.283185307179586 * frequency * static_cast<double>(i) / rate)));
    return values;
}

}  // namespace media_test

#include "SpeechDecoder.h"
#include <cstdio>

namespace media {

namespace {

// The IMA ADPCM quantiser steps and the step index changes for the three
// magnitude bits of a code.
const int16_t kSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int kIndexChange[8] = { -1, -1, -1, -1, 2, 4, 6, 8 };

void Put(uint8_t*& p, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        *p++ = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

size_t SamplesPerByte(SpeechFormat format)
{
    return format == SpeechFormat::apm ? 2 : 1;
}

int16_t SpeechDecoder::Nibble(unsigned code)
{
    // The difference is rebuilt from shifted steps, bit by bit, as the device
    // does it: step/8, plus step, step/2 and step/4 for the bits set.
    const int step = kSteps[m_stepIndex];
    int difference = step >> 3;
    if (code & 4)
        difference += step;
    if (code & 2)
        difference += step >> 1;
    if (code & 1)
        difference += step >> 2;
    int value = (code & 8) ? m_predictor - difference : m_predictor + difference;
    value = value < -32768 ? -32768 : value > 32767 ? 32767 : value;
    m_predictor = value;
    const int index = m_stepIndex + kIndexChange[code & 7];
    m_stepIndex = index < 0 ? 0 : index > 88 ? 88 : index;
    return static_cast<int16_t>(value);
}

size_t SpeechDecoder::Decode(const uint8_t* data, size_t bytes, int16_t* out)
{
    if (m_format == SpeechFormat::mdm) {
        for (size_t i = 0; i < bytes; ++i)
            out[i] = MuLawValue(data[i]);
        return bytes;
    }
    for (size_t i = 0; i < bytes; ++i) {
        out[2 * i] = Nibble(data[i] & 0x0Fu);
        out[2 * i + 1] = Nibble(static_cast<unsigned>(data[i] >> 4));
    }
    return 2 * bytes;
}

std::vector<int16_t> DecodeSpeech(SpeechFormat format, const std::vector<uint8_t>& clip)
{
    std::vector<int16_t> samples(clip.size() * SamplesPerByte(format));
    SpeechDecoder decoder(format);
    decoder.Decode(clip.data(), clip.size(), samples.data());
    return samples;
}

int16_t MuLawValue(uint8_t code)
{
    // Stored inverted: sign, 3-bit segment, 4-bit mantissa. The magnitude is
    // the middle of the mantissa's step in the segment, less the encoder's bias.
    const unsigned bits = ~code & 0xFFu;
    const int segment = static_cast<int>((bits >> 4) & 7);
    const int mantissa = static_cast<int>(bits & 0x0F);
    const int magnitude = ((2 * mantissa + 33) << (segment + 2)) - 132;
    return static_cast<int16_t>((bits & 0x80) ? -magnitude : magnitude);
}

uint32_t PlaybackRate(uint32_t clock, unsigned prescaler, unsigned timerCount)
{
    if (prescaler > 2)
        return 0;
    const uint64_t periods = (uint64_t{ 2 } << prescaler) * (uint64_t{ timerCount } + 1);
    return static_cast<uint32_t>((clock + periods / 2) / periods);
}

std::string ClipText(SpeechFormat format, uint32_t rate, uint64_t samples)
{
    char text[64];
    const double seconds = rate ? static_cast<double>(samples) / rate : 0.0;
    std::snprintf(text, sizeof text, "%s %u Hz, %.1f s", SpeechFormatName(format), rate, seconds);
    return text;
}

bool MakeWaveHeader(uint32_t rate, uint64_t dataBytes, uint8_t header[kWaveHeaderBytes])
{
    if (dataBytes > kMaxWaveDataBytes)
        return false;
    const uint32_t data = static_cast<uint32_t>(dataBytes);
    uint8_t* p = header;
    auto tag = [&p](const char* text) {
        for (int i = 0; i < 4; ++i)
            *p++ = static_cast<uint8_t>(text[i]);
    };
    tag("RIFF");
    Put(p, 36 + data, 4);
    tag("WAVE");
    tag("fmt ");
    Put(p, 16, 4);
    Put(p, 1, 2);         // PCM
    Put(p, 1, 2);         // mono
    Put(p, rate, 4);
    Put(p, 2 * rate, 4);  // bytes a second (rates up to 2^31 - 1 fit)
    Put(p, 2, 2);         // bytes a frame
    Put(p, 16, 2);        // bits a sample
    tag("data");
    Put(p, data, 4);
    return true;
}

}  // namespace media

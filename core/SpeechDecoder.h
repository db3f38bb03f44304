// Speech clips as the device plays them, and the WAV files that hold them.
//
// APM: 4-bit IMA ADPCM without a header, two samples a byte (the earlier in
//      the low nibble); the decoder starts from predictor 0 and step index 0.
// MDM: 8-bit G.711 mu-law, one sample a byte, each the midpoint of its step.
//
// A clip holds no sample count: the device plays every nibble (APM) or byte
// (MDM) of it, so an odd APM clip ends on the padding nibble.
#pragma once
#include "SpeechFormat.h"
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace media {

// Samples one byte of the format gives: 2 for APM, 1 for MDM.
size_t SamplesPerByte(SpeechFormat format);

// Decodes a clip in pieces of any size; the ADPCM state carries over.
class SpeechDecoder {
public:
    explicit SpeechDecoder(SpeechFormat format) : m_format(format) {}
    // Writes SamplesPerByte(format) x bytes samples to out and returns their count.
    size_t Decode(const uint8_t* data, size_t bytes, int16_t* out);

private:
    int16_t Nibble(unsigned code);

    SpeechFormat m_format;
    int m_predictor = 0;  // -32768 ... 32767
    int m_stepIndex = 0;  // 0 ... 88
};

std::vector<int16_t> DecodeSpeech(SpeechFormat format, const std::vector<uint8_t>& clip);

// The 16-bit value of a mu-law byte: 0xFF 0, 0x80 32124, 0x00 -32124.
int16_t MuLawValue(uint8_t code);

// The rate the device plays at: the clock divided by the prescaler's divider
// (2, 4 or 8 for codes 0, 1, 2) and by the timer count + 1, rounded to the
// nearest hertz. 0 for prescaler code 3, which has no divider.
uint32_t PlaybackRate(uint32_t clock, unsigned prescaler, unsigned timerCount);

// What plays: "APM 8000 Hz, 3.2 s", the format, the rate and the length.
std::string ClipText(SpeechFormat format, uint32_t rate, uint64_t samples);

// The 44-byte header of a canonical WAV file of 16-bit mono PCM at rate with
// dataBytes bytes of samples. False when the data don't fit a RIFF file's
// 32-bit sizes.
constexpr size_t kWaveHeaderBytes = 44;
constexpr uint64_t kMaxWaveDataBytes = 0xFFFFFFFFull - 36 - 1;  // even, and the RIFF size fits
bool MakeWaveHeader(uint32_t rate, uint64_t dataBytes, uint8_t header[kWaveHeaderBytes]);

}  // namespace media

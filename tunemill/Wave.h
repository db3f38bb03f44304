// PCM audio in memory, the WAV (RIFF) container, and mixing down to mono.
// No Windows calls: everything here works on bytes in memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tunemill {

// Interleaved signed 16-bit samples, channels × frames values.
struct PcmAudio {
    unsigned sampleRate = 0;
    unsigned channels = 0;
    std::vector<int16_t> samples;

    size_t Frames() const { return channels ? samples.size() / channels : 0; }
};

// Reads a RIFF WAVE file held in memory: a "fmt " chunk of PCM (format tag 1,
// or WAVE_FORMAT_EXTENSIBLE with the PCM sub-format), 8 or 16 bits per sample,
// one or two channels, and a "data" chunk. 8-bit samples (unsigned, 128 =
// silence) become (value - 128) × 256. A data chunk that claims more bytes than
// the file holds is cut to the whole frames present. Returns false for anything
// else, and for a file without a single frame.
bool ParseWav(const uint8_t* data, size_t size, PcmAudio& out);

// A canonical 44-byte-header WAV file: PCM, 16 bits, one channel.
std::vector<uint8_t> MakeWav16Mono(const std::vector<int16_t>& samples, unsigned sampleRate);

// One sample per frame: the channels' sum divided by their count, rounded
// toward zero. Mono audio comes back unchanged.
std::vector<int16_t> MixToMono(const PcmAudio& audio);

}  // namespace tunemill

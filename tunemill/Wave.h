// PCM audio, the WAV (RIFF) container read in pieces, and mixing down to mono.
// No Windows calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ByteSource.h"

namespace tunemill {

// Interleaved signed 16-bit samples, channels × frames values.
struct PcmAudio {
    unsigned sampleRate = 0;
    unsigned channels = 0;
    std::vector<int16_t> samples;

    size_t Frames() const { return channels ? samples.size() / channels : 0; }
};

// Receives decoded audio piece by piece: Begin once, then Take for every piece
// of whole frames. Returning false stops the decoding.
class PcmSink {
public:
    virtual ~PcmSink() {}
    virtual bool Begin(unsigned sampleRate, unsigned channels) = 0;
    virtual bool Take(const int16_t* interleaved, size_t frames) = 0;
};

// Where a WAV file keeps its samples.
struct WavLayout {
    unsigned sampleRate = 0;
    unsigned channels = 0;     // 1 or 2
    unsigned bits = 0;         // 8 or 16
    uint64_t dataOffset = 0;   // first byte of the first frame
    uint64_t frames = 0;       // whole frames present, at least 1
};

// Reads the chunk headers of a RIFF WAVE file: a "fmt " chunk of PCM (format
// tag 1, or WAVE_FORMAT_EXTENSIBLE with the PCM sub-format), 8 or 16 bits per
// sample, one or two channels, and a "data" chunk. A data chunk that claims
// more bytes than the file holds is cut to the whole frames present. False for
// anything else, and for a file without a single frame.
bool LocateWavData(ByteSource& source, WavLayout& layout);

// Hands the frames to the sink in pieces, 8-bit samples (unsigned, 128 =
// silence) widened to (value - 128) × 256. False when a read fails or the sink
// stops.
bool StreamWav(ByteSource& source, const WavLayout& layout, PcmSink& sink);

// The whole file in memory through LocateWavData and StreamWav.
bool ParseWav(const uint8_t* data, size_t size, PcmAudio& out);

// The 44-byte header of a canonical WAV file of `samples` 16-bit mono samples.
void MakeWav16MonoHeader(uint64_t samples, unsigned sampleRate, uint8_t header[44]);

// A canonical WAV file: PCM, 16 bits, one channel.
std::vector<uint8_t> MakeWav16Mono(const std::vector<int16_t>& samples, unsigned sampleRate);

// One sample per frame: the channels' sum divided by their count, rounded
// toward zero. Mono audio comes back unchanged.
void MixToMono(const int16_t* interleaved, size_t frames, unsigned channels, int16_t* mono);
std::vector<int16_t> MixToMono(const PcmAudio& audio);

}  // namespace tunemill

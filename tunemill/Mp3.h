// MPEG audio Layer III files: locating the first frame (pure), and decoding the
// whole stream to 16-bit PCM through the audio compression manager.
#pragma once
#include <cstddef>
#include <cstdint>

#include "Wave.h"

namespace tunemill {

struct Mp3Frame {
    unsigned version = 0;        // 1 = MPEG-1, 2 = MPEG-2, 25 = MPEG-2.5
    unsigned bitrateKbps = 0;
    unsigned sampleRate = 0;
    unsigned channels = 0;       // 1 or 2
    bool padding = false;
    unsigned frameBytes = 0;     // whole frame, header included
    unsigned samplesPerFrame = 0;
};

// Reads a 4-byte Layer III frame header. Free-format and reserved values are
// refused.
bool ParseMp3FrameHeader(const uint8_t* header, Mp3Frame& frame);

// Bytes taken by an ID3v2 tag at the start (header, body and any footer), or 0.
size_t Id3v2Length(const uint8_t* data, size_t size);

// The first frame of the stream, after any ID3v2 tag: a frame header whose
// successor (if the data reaches that far) is a frame header of the same
// version, sample rate and channel count. Leading junk is skipped.
bool FindFirstMp3Frame(const uint8_t* data, size_t size, size_t& offset, Mp3Frame& frame);

// Decodes the stream from its first frame to 16-bit PCM with the source's rate
// and channels. Needs an MPEG Layer-3 decoder installed in the system's audio
// compression manager. False when there is no frame, no decoder, or no sample
// comes out.
bool DecodeMp3(const uint8_t* data, size_t size, PcmAudio& out);

}  // namespace tunemill

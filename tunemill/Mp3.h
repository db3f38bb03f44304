// MPEG audio Layer III files: finding the first frame and counting the frames
// (pure), and decoding the stream to 16-bit PCM, piece by piece, through the
// audio compression manager.
#pragma once
#include <cstddef>
#include <cstdint>

#include "ByteSource.h"
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

// The longest frame there can be (MPEG-1 at 320 kbit/s and 32000 Hz, padded).
const unsigned kMaxMp3FrameBytes = 1441;

// Reads a 4-byte Layer III frame header. Free-format and reserved values are
// refused.
bool ParseMp3FrameHeader(const uint8_t* header, Mp3Frame& frame);

// Bytes taken by an ID3v2 tag at the start (header, body and any footer), or 0.
// `size` bounds the result.
size_t Id3v2Length(const uint8_t* data, size_t size);

// The first frame of the stream, after any ID3v2 tag: a frame header whose
// successor (if the data reaches that far) is a frame header of the same
// version, sample rate and channel count. Leading junk is skipped.
bool FindFirstMp3Frame(const uint8_t* data, size_t size, size_t& offset, Mp3Frame& frame);

// The same over a source of any size, read in pieces.
bool FindFirstMp3Frame(ByteSource& source, uint64_t& offset, Mp3Frame& frame);

// Samples per channel in the run of frames that starts at `offset`: frame
// after frame, as long as each header is one of the same version, rate and
// channel count. What a decoder gives is close to this.
uint64_t CountMp3Samples(ByteSource& source, uint64_t offset, const Mp3Frame& first);

// Decodes the stream from its first frame to 16-bit PCM with the source's rate
// and channels, handing it to the sink as it comes. Needs an MPEG Layer-3
// decoder installed in the system's audio compression manager. False when
// there is no decoder, no sample comes out, or the sink stops.
bool DecodeMp3(ByteSource& source, uint64_t offset, const Mp3Frame& first, PcmSink& sink);

}  // namespace tunemill

#include "Mp3.h"

namespace tunemill {

namespace {

const unsigned kBitratesMpeg1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
const unsigned kBitratesMpeg2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
const unsigned kRatesMpeg1[3] = {44100, 48000, 32000};

}  // namespace

bool ParseMp3FrameHeader(const uint8_t* h, Mp3Frame& frame)
{
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0)
        return false;
    const unsigned versionBits = (h[1] >> 3) & 3;  // 0: 2.5, 1: reserved, 2: 2, 3: 1
    const unsigned layerBits = (h[1] >> 1) & 3;    // 1: Layer III
    const unsigned bitrateIndex = h[2] >> 4;
    const unsigned rateIndex = (h[2] >> 2) & 3;
    if (versionBits == 1 || layerBits != 1 || rateIndex == 3)
        return false;
    const unsigned bitrate =
        versionBits == 3 ? kBitratesMpeg1[bitrateIndex] : kBitratesMpeg2[bitrateIndex];
    if (bitrate == 0)
        return false;

    frame.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    frame.bitrateKbps = bitrate;
    frame.sampleRate = kRatesMpeg1[rateIndex] >> (versionBits == 3 ? 0 : versionBits == 2 ? 1 : 2);
    frame.channels = ((h[3] >> 6) == 3) ? 1 : 2;
    frame.padding = (h[2] & 2) != 0;
    frame.samplesPerFrame = frame.version == 1 ? 1152 : 576;
    const unsigned slotsFactor = frame.version == 1 ? 144000 : 72000;
    frame.frameBytes = slotsFactor * bitrate / frame.sampleRate + (frame.padding ? 1 : 0);
    return true;
}

size_t Id3v2Length(const uint8_t* data, size_t size)
{
    if (size < 10 || data[0] != 'I' || data[1] != 'D' || data[2] != '3')
        return 0;
    if (data[3] == 0xFF || data[4] == 0xFF)
        return 0;
    size_t body = 0;
    for (int i = 6; i < 10; ++i) {
        if (data[i] & 0x80)
            return 0;
        body = (body << 7) | data[i];
    }
    const size_t footer = (data[5] & 0x10) ? 10 : 0;
    const size_t total = 10 + body + footer;
    return total <= size ? total : size;
}

bool FindFirstMp3Frame(const uint8_t* data, size_t size, size_t& offset, Mp3Frame& frame)
{
    for (size_t pos = Id3v2Length(data, size); pos + 4 <= size; ++pos) {
        Mp3Frame candidate;
        if (!ParseMp3FrameHeader(data + pos, candidate))
            continue;
        const size_t next = pos + candidate.frameBytes;
        if (next + 4 <= size) {
            Mp3Frame following;
            if (!ParseMp3FrameHeader(data + next, following) ||
                following.version != candidate.version ||
                following.sampleRate != candidate.sampleRate ||
                following.channels != candidate.channels)
                continue;
        } else if (next > size) {
            continue;  // a lone frame must at least be complete
        }
        offset = pos;
        frame = candidate;
        return true;
    }
    return false;
}

}  // namespace tunemill

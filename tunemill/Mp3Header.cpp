#include "Mp3.h"

#include <vector>

namespace tunemill {

namespace {

const unsigned kBitratesMpeg1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
const unsigned kBitratesMpeg2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
const unsigned kRatesMpeg1[3] = {44100, 48000, 32000};
// Bytes of a source looked at a time while searching.
const size_t kSearchWindow = 64 * 1024;

bool SameStream(const Mp3Frame& a, const Mp3Frame& b)
{
    return a.version == b.version && a.sampleRate == b.sampleRate && a.channels == b.channels;
}

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

namespace {

// The search of FindFirstMp3Frame from byte `from` on, with no tag to skip.
bool FindFrameFrom(const uint8_t* data, size_t size, size_t from, size_t& offset, Mp3Frame& frame)
{
    for (size_t pos = from; pos + 4 <= size; ++pos) {
        Mp3Frame candidate;
        if (!ParseMp3FrameHeader(data + pos, candidate))
            continue;
        const size_t next = pos + candidate.frameBytes;
        if (next + 4 <= size) {
            Mp3Frame following;
            if (!ParseMp3FrameHeader(data + next, following) || !SameStream(following, candidate))
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

}  // namespace

bool FindFirstMp3Frame(const uint8_t* data, size_t size, size_t& offset, Mp3Frame& frame)
{
    return FindFrameFrom(data, size, Id3v2Length(data, size), offset, frame);
}

bool FindFirstMp3Frame(ByteSource& source, uint64_t& offset, Mp3Frame& frame)
{
    const uint64_t size = source.Size();
    std::vector<uint8_t> window(kSearchWindow);
    uint64_t base = 0;
    if (source.ReadAt(0, window.data(), 10) == 10)
        base = Id3v2Length(window.data(), static_cast<size_t>(size));  // reads the first 10 bytes only
    // A candidate is settled by the header after it, at most kMaxMp3FrameBytes
    // on; one found nearer than that to the end of a window is looked at again
    // in the next window, unless the window reaches the end of the source.
    const size_t overlap = kMaxMp3FrameBytes + 4;
    while (base < size) {
        const size_t got = source.ReadAt(base, window.data(), window.size());
        if (got == 0)
            return false;
        const bool last = base + got >= size;
        size_t found = 0;
        Mp3Frame candidate;
        if (FindFrameFrom(window.data(), got, 0, found, candidate) && (last || found + overlap <= got)) {
            offset = base + found;
            frame = candidate;
            return true;
        }
        if (last || got <= overlap)
            return false;
        base += got - overlap;
    }
    return false;
}

uint64_t CountMp3Samples(ByteSource& source, uint64_t offset, const Mp3Frame& first)
{
    const uint64_t size = source.Size();
    std::vector<uint8_t> window(kSearchWindow);
    uint64_t base = offset, samples = 0;
    size_t got = 0, at = 0;
    for (;;) {
        if (at + 4 > got) {
            if (base + at >= size)
                break;
            base += at;
            at = 0;
            got = source.ReadAt(base, window.data(), window.size());
            if (got < 4)
                break;
        }
        Mp3Frame frame;
        if (!ParseMp3FrameHeader(&window[at], frame) || !SameStream(frame, first))
            break;
        samples += frame.samplesPerFrame;
        at += frame.frameBytes;
    }
    return samples;
}

}  // namespace tunemill

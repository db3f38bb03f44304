#include "Wave.h"

#include <cstring>

namespace tunemill {

namespace {

const uint16_t kFormatPcm = 1;
const uint16_t kFormatExtensible = 0xFFFE;

// The sub-format GUID of PCM inside WAVE_FORMAT_EXTENSIBLE, as stored in the file
// ({00000001-0000-0010-8000-00AA00389B71}).
const uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                   0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Writes v at p, least significant byte first, in `bytes` bytes.
void PutLe(uint8_t* p, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

struct Format {
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
};

bool ReadFormat(const uint8_t* chunk, uint32_t size, Format& format)
{
    if (size < 16)
        return false;
    const uint16_t tag = Le16(chunk);
    format.channels = Le16(chunk + 2);
    format.sampleRate = Le32(chunk + 4);
    format.blockAlign = Le16(chunk + 12);
    format.bits = Le16(chunk + 14);
    if (tag == kFormatExtensible) {
        // cbSize (2), valid bits (2), channel mask (4), sub-format GUID (16).
        if (size < 40 || Le16(chunk + 16) < 22)
            return false;
        if (std::memcmp(chunk + 24, kPcmSubFormat, sizeof kPcmSubFormat) != 0)
            return false;
        const uint16_t validBits = Le16(chunk + 18);
        if (validBits != 0 && validBits != format.bits)
            return false;
    } else if (tag != kFormatPcm) {
        return false;
    }
    if (format.channels < 1 || format.channels > 2)
        return false;
    if (format.bits != 8 && format.bits != 16)
        return false;
    if (format.sampleRate == 0)
        return false;
    return format.blockAlign == format.channels * (format.bits / 8);
}

}  // namespace

bool ParseWav(const uint8_t* data, size_t size, PcmAudio& out)
{
    if (data == nullptr || size < 12)
        return false;
    if (std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return false;

    Format format;
    bool haveFormat = false;
    const uint8_t* samples = nullptr;
    size_t sampleBytes = 0;

    // Chunks follow one another, each padded to an even length. The RIFF size
    // field is not trusted: the walk stops at the end of the bytes present.
    size_t pos = 12;
    while (pos + 8 <= size) {
        const uint8_t* header = data + pos;
        const uint32_t chunkSize = Le32(header + 4);
        const size_t body = pos + 8;
        const size_t available = size - body;
        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (haveFormat || chunkSize > available || !ReadFormat(data + body, chunkSize, format))
                return false;
            haveFormat = true;
        } else if (std::memcmp(header, "data", 4) == 0) {
            if (!haveFormat)
                return false;
            samples = data + body;
            sampleBytes = chunkSize < available ? chunkSize : available;
            break;
        }
        if (chunkSize >= available)
            break;
        pos = body + chunkSize + (chunkSize & 1);
    }
    if (!haveFormat || samples == nullptr)
        return false;

    const size_t frames = sampleBytes / format.blockAlign;
    if (frames == 0)
        return false;

    out.sampleRate = format.sampleRate;
    out.channels = format.channels;
    out.samples.resize(frames * format.channels);
    if (format.bits == 8) {
        for (size_t i = 0; i < out.samples.size(); ++i)
            out.samples[i] = static_cast<int16_t>((samples[i] - 128) * 256);
    } else {
        for (size_t i = 0; i < out.samples.size(); ++i)
            out.samples[i] = static_cast<int16_t>(Le16(samples + 2 * i));
    }
    return true;
}

std::vector<uint8_t> MakeWav16Mono(const std::vector<int16_t>& samples, unsigned sampleRate)
{
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> out(44 + static_cast<size_t>(dataBytes));
    uint8_t* p = out.data();
    std::memcpy(p, "RIFF", 4);
    PutLe(p + 4, 36 + dataBytes, 4);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    PutLe(p + 16, 16, 4);              // format chunk size
    PutLe(p + 20, kFormatPcm, 2);
    PutLe(p + 22, 1, 2);               // channels
    PutLe(p + 24, sampleRate, 4);
    PutLe(p + 28, sampleRate * 2, 4);  // bytes per second
    PutLe(p + 32, 2, 2);               // block align
    PutLe(p + 34, 16, 2);              // bits per sample
    std::memcpy(p + 36, "data", 4);
    PutLe(p + 40, dataBytes, 4);
    for (size_t i = 0; i < samples.size(); ++i)
        PutLe(p + 44 + 2 * i, static_cast<uint16_t>(samples[i]), 2);
    return out;
}

std::vector<int16_t> MixToMono(const PcmAudio& audio)
{
    if (audio.channels <= 1)
        return audio.samples;
    const size_t frames = audio.Frames();
    std::vector<int16_t> mono(frames);
    for (size_t f = 0; f < frames; ++f) {
        int sum = 0;
        for (unsigned c = 0; c < audio.channels; ++c)
            sum += audio.samples[f * audio.channels + c];
        mono[f] = static_cast<int16_t>(sum / static_cast<int>(audio.channels));
    }
    return mono;
}

}  // namespace tunemill

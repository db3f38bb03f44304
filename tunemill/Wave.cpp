#include "Wave.h"

#include <cstring>

namespace tunemill {

namespace {

const uint16_t kFormatPcm = 1;
const uint16_t kFormatExtensible = 0xFFFE;
// Bytes read from a source at a time.
const size_t kPieceBytes = 64 * 1024;

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

// Collects everything a source decodes to.
class Collector : public PcmSink {
public:
    explicit Collector(PcmAudio& audio) : audio_(audio) {}
    bool Begin(unsigned sampleRate, unsigned channels) override
    {
        audio_.sampleRate = sampleRate;
        audio_.channels = channels;
        audio_.samples.clear();
        return true;
    }
    bool Take(const int16_t* interleaved, size_t frames) override
    {
        audio_.samples.insert(audio_.samples.end(), interleaved, interleaved + frames * audio_.channels);
        return true;
    }

private:
    PcmAudio& audio_;
};

}  // namespace

bool LocateWavData(ByteSource& source, WavLayout& layout)
{
    const uint64_t size = source.Size();
    uint8_t header[12];
    if (source.ReadAt(0, header, 12) != 12)
        return false;
    if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
        return false;

    Format format;
    bool haveFormat = false;
    // Chunks follow one another, each padded to an even length. The RIFF size
    // field is not trusted: the walk stops at the end of the bytes present.
    uint64_t pos = 12;
    while (pos + 8 <= size) {
        uint8_t chunk[8];
        if (source.ReadAt(pos, chunk, 8) != 8)
            return false;
        const uint32_t chunkSize = Le32(chunk + 4);
        const uint64_t body = pos + 8;
        const uint64_t available = size - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (haveFormat || chunkSize > available)
                return false;
            uint8_t fields[40];
            const uint32_t take = chunkSize < sizeof fields ? chunkSize : static_cast<uint32_t>(sizeof fields);
            if (source.ReadAt(body, fields, take) != take || !ReadFormat(fields, take, format))
                return false;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                return false;
            const uint64_t bytes = chunkSize < available ? chunkSize : available;
            layout.sampleRate = format.sampleRate;
            layout.channels = format.channels;
            layout.bits = format.bits;
            layout.dataOffset = body;
            layout.frames = bytes / format.blockAlign;
            return layout.frames != 0;
        }
        if (chunkSize >= available)
            break;
        pos = body + chunkSize + (chunkSize & 1);
    }
    return false;
}

bool StreamWav(ByteSource& source, const WavLayout& layout, PcmSink& sink)
{
    const size_t frameBytes = layout.channels * (layout.bits / 8);
    if (frameBytes == 0 || !sink.Begin(layout.sampleRate, layout.channels))
        return false;
    const size_t framesPerPiece = kPieceBytes / frameBytes;
    std::vector<uint8_t> bytes(framesPerPiece * frameBytes);
    std::vector<int16_t> samples(framesPerPiece * layout.channels);
    for (uint64_t done = 0; done < layout.frames;) {
        const uint64_t left = layout.frames - done;
        const size_t frames = left < framesPerPiece ? static_cast<size_t>(left) : framesPerPiece;
        const size_t count = frames * layout.channels;
        if (source.ReadAt(layout.dataOffset + done * frameBytes, bytes.data(), frames * frameBytes) !=
            frames * frameBytes)
            return false;
        if (layout.bits == 8) {
            for (size_t i = 0; i < count; ++i)
                samples[i] = static_cast<int16_t>((bytes[i] - 128) * 256);
        } else {
            for (size_t i = 0; i < count; ++i)
                samples[i] = static_cast<int16_t>(Le16(&bytes[2 * i]));
        }
        if (!sink.Take(samples.data(), frames))
            return false;
        done += frames;
    }
    return true;
}

bool ParseWav(const uint8_t* data, size_t size, PcmAudio& out)
{
    MemorySource source(data, size);
    WavLayout layout;
    Collector collector(out);
    return LocateWavData(source, layout) && StreamWav(source, layout, collector);
}

void MakeWav16MonoHeader(uint64_t samples, unsigned sampleRate, uint8_t header[44])
{
    const uint32_t dataBytes = static_cast<uint32_t>(samples * 2);
    std::memcpy(header, "RIFF", 4);
    PutLe(header + 4, 36 + dataBytes, 4);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    PutLe(header + 16, 16, 4);              // format chunk size
    PutLe(header + 20, kFormatPcm, 2);
    PutLe(header + 22, 1, 2);               // channels
    PutLe(header + 24, sampleRate, 4);
    PutLe(header + 28, sampleRate * 2, 4);  // bytes per second
    PutLe(header + 32, 2, 2);               // block align
    PutLe(header + 34, 16, 2);              // bits per sample
    std::memcpy(header + 36, "data", 4);
    PutLe(header + 40, dataBytes, 4);
}

std::vector<uint8_t> MakeWav16Mono(const std::vector<int16_t>& samples, unsigned sampleRate)
{
    std::vector<uint8_t> out(44 + samples.size() * 2);
    MakeWav16MonoHeader(samples.size(), sampleRate, out.data());
    for (size_t i = 0; i < samples.size(); ++i)
        PutLe(&out[44 + 2 * i], static_cast<uint16_t>(samples[i]), 2);
    return out;
}

void MixToMono(const int16_t* interleaved, size_t frames, unsigned channels, int16_t* mono)
{
    if (channels == 1) {
        std::memmove(mono, interleaved, frames * sizeof(int16_t));
        return;
    }
    if (channels == 2) {
        for (size_t f = 0; f < frames; ++f)
            mono[f] = static_cast<int16_t>((interleaved[2 * f] + interleaved[2 * f + 1]) / 2);
        return;
    }
    for (size_t f = 0; f < frames; ++f) {
        int sum = 0;
        for (unsigned c = 0; c < channels; ++c)
            sum += interleaved[f * channels + c];
        mono[f] = static_cast<int16_t>(sum / static_cast<int>(channels));
    }
}

std::vector<int16_t> MixToMono(const PcmAudio& audio)
{
    if (audio.channels <= 1)
        return audio.samples;
    std::vector<int16_t> mono(audio.Frames());
    MixToMono(audio.samples.data(), mono.size(), audio.channels, mono.data());
    return mono;
}

}  // namespace tunemill

#include "SpeechCodec.h"

#include "Resample.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tunemill {

const int16_t kImaStepSizes[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

const int kImaIndexChanges[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

}  // namespace

int16_t ImaDecode(ImaState& state, uint8_t code)
{
    const int step = kImaStepSizes[state.stepIndex];
    int difference = step >> 3;
    if (code & 4)
        difference += step;
    if (code & 2)
        difference += step >> 1;
    if (code & 1)
        difference += step >> 2;
    int predictor = (code & 8) ? state.predictor - difference : state.predictor + difference;
    if (predictor > 32767)
        predictor = 32767;
    if (predictor < -32768)
        predictor = -32768;
    state.predictor = predictor;

    int index = state.stepIndex + kImaIndexChanges[code & 7];
    if (index < 0)
        index = 0;
    if (index > 88)
        index = 88;
    state.stepIndex = index;
    return static_cast<int16_t>(predictor);
}

uint8_t ImaEncode(ImaState& state, int16_t sample)
{
    int difference = sample - state.predictor;
    uint8_t code = 0;
    if (difference < 0) {
        code = 8;
        difference = -difference;
    }
    // The decoder's reconstruction of the difference (step / 8, plus step,
    // step / 2 and step / 4 for the bits set), not the exact difference, moves
    // the state: the same sum ImaDecode makes for this code.
    int step = kImaStepSizes[state.stepIndex];
    int reconstructed = step >> 3;
    for (uint8_t bit = 4; bit != 0; bit >>= 1) {
        if (difference >= step) {
            code |= bit;
            difference -= step;
            reconstructed += step;
        }
        step >>= 1;
    }
    const int predictor = (code & 8) ? state.predictor - reconstructed : state.predictor + reconstructed;
    state.predictor = predictor > 32767 ? 32767 : (predictor < -32768 ? -32768 : predictor);
    const int index = state.stepIndex + kImaIndexChanges[code & 7];
    state.stepIndex = index < 0 ? 0 : (index > 88 ? 88 : index);
    return code;
}

void ApmEncoder::Encode(const int16_t* samples, size_t count, std::vector<uint8_t>& out)
{
    search_.Encode(samples, count, codes_);
    Pack(out);
}

void ApmEncoder::Finish(std::vector<uint8_t>& out)
{
    search_.Finish(codes_);
    Pack(out);
    if (half_)
        out.push_back(low_);
    half_ = false;
}

void ApmEncoder::Pack(std::vector<uint8_t>& out)
{
    for (const uint8_t code : codes_) {
        if (half_)
            out.push_back(static_cast<uint8_t>(low_ | (code << 4)));
        else
            low_ = code;
        half_ = !half_;
    }
    codes_.clear();
}

std::vector<uint8_t> EncodeApm(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> out;
    ApmEncoder encoder;
    encoder.Encode(samples.data(), samples.size(), out);
    encoder.Finish(out);
    return out;
}

uint8_t MuLawEncode(int16_t sample)
{
    const int kBias = 0x84;
    const int kClip = 32635;
    int magnitude = sample;
    uint8_t sign = 0;
    if (magnitude < 0) {
        magnitude = -magnitude;
        sign = 0x80;
    }
    if (magnitude > kClip)
        magnitude = kClip;
    magnitude += kBias;
    // The segment is the position of the highest bit set among bits 7 ... 14.
    static const struct Segments {
        uint8_t of[256];  // by magnitude >> 7
        Segments()
        {
            of[0] = 0;
            for (int v = 1; v < 256; ++v) {
                int segment = 0;
                while ((v >> (segment + 1)) != 0)
                    ++segment;
                of[v] = static_cast<uint8_t>(segment);
            }
        }
    } segments;
    const int segment = segments.of[magnitude >> 7];
    const int mantissa = (magnitude >> (segment + 3)) & 0x0F;
    return static_cast<uint8_t>(~(sign | (segment << 4) | mantissa));
}

int16_t MuLawDecode(uint8_t code)
{
    code = static_cast<uint8_t>(~code);
    const int segment = (code >> 4) & 7;
    const int mantissa = code & 0x0F;
    const int magnitude = (((mantissa << 3) + 0x84) << segment) - 0x84;
    return static_cast<int16_t>((code & 0x80) ? -magnitude : magnitude);
}

void EncodeMdm(const int16_t* samples, size_t count, uint8_t* out)
{
    for (size_t i = 0; i < count; ++i)
        out[i] = MuLawEncode(samples[i]);
}

std::vector<uint8_t> EncodeMdm(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> out(samples.size());
    EncodeMdm(samples.data(), samples.size(), out.data());
    return out;
}

void MakeApmDescriptionHeader(unsigned sampleRate, uint64_t sampleCount, uint64_t dataBytes,
                              uint8_t header[16])
{
    std::vector<uint8_t> out{'A', 'P', 'M', '1'};
    Put32(out, sampleRate);
    Put32(out, static_cast<uint32_t>(sampleCount));
    Put32(out, static_cast<uint32_t>(dataBytes));
    std::copy(out.begin(), out.end(), header);
}

std::vector<uint8_t> MakeApmDescription(const std::vector<uint8_t>& apm, unsigned sampleRate,
                                        size_t sampleCount)
{
    std::vector<uint8_t> out(16);
    MakeApmDescriptionHeader(sampleRate, sampleCount, apm.size(), out.data());
    out.insert(out.end(), apm.begin(), apm.end());
    return out;
}

std::string MdmHeaderStart(unsigned sampleRate, uint64_t length)
{
    char line[128];
    std::snprintf(line, sizeof line, "#define MDM_SAMPLE_RATE %u\n#define MDM_LENGTH %llu\n\n", sampleRate,
                  static_cast<unsigned long long>(length));
    return std::string("/* Speech data: 8-bit mu-law, one byte per sample. */\n") + line +
           "const unsigned char mdm_data[MDM_LENGTH] = {\n";
}

size_t FormatMdmLines(const uint8_t* bytes, size_t count, char* text)
{
    // " 0xHH," for every byte value; a line is three spaces, 16 of these and '\n'.
    static const struct Table {
        char entries[256][6];
        Table()
        {
            static const char kDigits[] = "0123456789ABCDEF";
            for (int v = 0; v < 256; ++v) {
                const char entry[6] = {' ', '0', 'x', kDigits[v >> 4], kDigits[v & 15], ','};
                std::memcpy(entries[v], entry, 6);
            }
        }
    } table;
    char* p = text;
    for (size_t i = 0; i < count; ++i) {
        if (i % 16 == 0) {
            std::memcpy(p, "   ", 3);
            p += 3;
        }
        std::memcpy(p, table.entries[bytes[i]], 6);
        p += 6;
        if (i % 16 == 15 || i + 1 == count)
            *p++ = '\n';
    }
    return static_cast<size_t>(p - text);
}

std::string MdmHeaderEnd()
{
    return "};\n";
}

std::string MakeMdmHeader(const std::vector<uint8_t>& mdm, unsigned sampleRate)
{
    std::string lines((mdm.size() + 15) / 16 * kMdmLineChars, '\0');
    lines.resize(FormatMdmLines(mdm.data(), mdm.size(), &lines[0]));
    return MdmHeaderStart(sampleRate, mdm.size()) + lines + MdmHeaderEnd();
}

uint64_t MaxSpeechSamples(SpeechFormat format)
{
    return format == SpeechFormat::Apm ? 2 * kMaxConvertedBytes : kMaxConvertedBytes;
}

bool PlanSpeechLength(uint64_t frames, unsigned sourceRate, int targetRate, SpeechFormat format,
                      uint64_t& samples)
{
    if (targetRate <= 0 || targetRate > kMaxTargetRate || sourceRate == 0)
        return false;
    samples = ResampledLength(frames, sourceRate, static_cast<unsigned>(targetRate));
    return samples != 0 && samples <= MaxSpeechSamples(format);
}

}  // namespace tunemill

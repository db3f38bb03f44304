// The two speech encodings and the files made from them.
//
// APM: 4-bit IMA ADPCM, one nibble per sample, two samples per byte with the
//      earlier sample in the low nibble; an odd count leaves the last high
//      nibble 0. No header: the decoder starts from predictor 0 and step index 0,
//      so (samples + 1) / 2 bytes in all. Any IMA decoder reads it; the
//      encoder searches for the codes that it decodes closest to the samples.
// MDM: 8-bit mu-law (G.711), one byte per sample, no header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ImaSearch.h"

namespace tunemill {

// The standard IMA tables: 89 step sizes (7 ... 32767), and the change of the
// step index for each code magnitude (the low three bits of a code).
extern const int16_t kImaStepSizes[89];
extern const int kImaIndexChanges[8];

// The coder state the encoder and the decoder keep in step.
struct ImaState {
    int predictor = 0;  // -32768 ... 32767
    int stepIndex = 0;  // 0 ... 88
};

// The usual encoder's step: the code nearest to the sample (bit 3 the sign),
// the state moved on exactly as ImaDecode does for that code.
uint8_t ImaEncode(ImaState& state, int16_t sample);
// Decodes one 4-bit code (upper bits ignored).
int16_t ImaDecode(ImaState& state, uint8_t code);

// Encodes a stream of samples in pieces, the codes chosen by ImaSearch (see
// ImaSearch.h), two to a byte, the earlier in the low nibble. The bytes depend
// on the samples only, not on the pieces they come in.
class ApmEncoder {
public:
    explicit ApmEncoder(ImaSearch::Form form = ImaSearch::Form::Fastest) : search_(form) {}
    // Appends the bytes completed by these samples.
    void Encode(const int16_t* samples, size_t count, std::vector<uint8_t>& out);
    // Appends the rest, the last byte's high nibble 0 for an odd count.
    void Finish(std::vector<uint8_t>& out);

private:
    void Pack(std::vector<uint8_t>& out);

    ImaSearch search_;
    std::vector<uint8_t> codes_;
    bool half_ = false;
    uint8_t low_ = 0;
};

std::vector<uint8_t> EncodeApm(const std::vector<int16_t>& samples);

// G.711 mu-law of a 16-bit sample: magnitude clipped to 32635, biased by 0x84,
// segment and four mantissa bits, the whole byte inverted. 0 gives 0xFF.
uint8_t MuLawEncode(int16_t sample);
// The 16-bit value a mu-law byte stands for (the segment's midpoint).
int16_t MuLawDecode(uint8_t code);

void EncodeMdm(const int16_t* samples, size_t count, uint8_t* out);
std::vector<uint8_t> EncodeMdm(const std::vector<int16_t>& samples);

// The APM by-product: a 16-byte header, then the APM data unchanged.
//   0  "APM1"
//   4  sample rate, Hz        (32-bit little-endian)
//   8  number of samples      (32-bit little-endian)
//   12 number of data bytes   (32-bit little-endian)
void MakeApmDescriptionHeader(unsigned sampleRate, uint64_t sampleCount, uint64_t dataBytes,
                              uint8_t header[16]);
std::vector<uint8_t> MakeApmDescription(const std::vector<uint8_t>& apm, unsigned sampleRate,
                                        size_t sampleCount);

// The MDM by-product: C source declaring the data as an array, 16 bytes a line.
// Made of three parts so that the data can be formatted in pieces:
std::string MdmHeaderStart(unsigned sampleRate, uint64_t length);
// Every byte as "0xHH,", each line indented by four spaces and ended after its
// 16th byte; the last line is ended too. `bytes` starts a line; all but the
// last piece should be whole lines. Writes at most kMdmLineChars × (lines) chars.
size_t FormatMdmLines(const uint8_t* bytes, size_t count, char* text);
const size_t kMdmLineChars = 4 + 16 * 6;  // "    0xHH," then " 0xHH," × 15, and '\n'
std::string MdmHeaderEnd();
std::string MakeMdmHeader(const std::vector<uint8_t>& mdm, unsigned sampleRate);

enum class SpeechFormat { Apm, Mdm };

// Highest target rate accepted; higher rates make no sense for speech data and
// would only inflate the output.
const int kMaxTargetRate = 192000;

// Largest converted file made, in bytes: twice the largest flash of the device
// (8 MiB), so nothing refused could have been used.
const uint64_t kMaxConvertedBytes = 16u * 1024 * 1024;

// Most samples a conversion may give in `format`: 33554432 for APM (two a
// byte), 16777216 for MDM.
uint64_t MaxSpeechSamples(SpeechFormat format);

// The samples a conversion of `frames` source frames at `sourceRate` gives at
// targetRate. False when the target rate is outside 1 ... kMaxTargetRate, the
// source rate is 0, or the result would be no sample or more than
// MaxSpeechSamples(format).
bool PlanSpeechLength(uint64_t frames, unsigned sourceRate, int targetRate, SpeechFormat format,
                      uint64_t& samples);

}  // namespace tunemill

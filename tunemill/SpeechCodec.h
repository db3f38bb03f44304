// The two speech encodings and the files made from them.
//
// APM: 4-bit IMA ADPCM, one nibble per sample, two samples per byte with the
//      earlier sample in the low nibble; an odd count leaves the last high
//      nibble 0. No header: the decoder starts from predictor 0 and step index 0,
//      so (samples + 1) / 2 bytes in all.
// MDM: 8-bit mu-law (G.711), one byte per sample, no header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Wave.h"

namespace tunemill {

// The coder state the encoder and the decoder keep in step.
struct ImaState {
    int predictor = 0;  // -32768 ... 32767
    int stepIndex = 0;  // 0 ... 88
};

// Encodes one sample to a 4-bit code (bit 3 the sign) and moves the state on
// exactly as ImaDecode does for that code.
uint8_t ImaEncode(ImaState& state, int16_t sample);
// Decodes one 4-bit code (upper bits ignored).
int16_t ImaDecode(ImaState& state, uint8_t code);

std::vector<uint8_t> EncodeApm(const std::vector<int16_t>& samples);

// G.711 mu-law of a 16-bit sample: magnitude clipped to 32635, biased by 0x84,
// segment and four mantissa bits, the whole byte inverted. 0 gives 0xFF.
uint8_t MuLawEncode(int16_t sample);
// The 16-bit value a mu-law byte stands for (the segment's midpoint).
int16_t MuLawDecode(uint8_t code);

std::vector<uint8_t> EncodeMdm(const std::vector<int16_t>& samples);

// The APM by-product: a 16-byte header, then the APM data unchanged.
//   0  "APM1"
//   4  sample rate, Hz        (32-bit little-endian)
//   8  number of samples      (32-bit little-endian)
//   12 number of data bytes   (32-bit little-endian)
std::vector<uint8_t> MakeApmDescription(const std::vector<uint8_t>& apm, unsigned sampleRate,
                                        size_t sampleCount);

// The MDM by-product: C source declaring the data as an array, 16 bytes a line.
std::string MakeMdmHeader(const std::vector<uint8_t>& mdm, unsigned sampleRate);

enum class SpeechFormat { Apm, Mdm };

// Highest target rate accepted; higher rates make no sense for speech data and
// would only inflate the output.
const int kMaxTargetRate = 192000;

// Everything one conversion writes, built in memory before any file is touched.
struct SpeechFiles {
    std::vector<int16_t> resampled;      // mono 16-bit at the target rate
    std::vector<uint8_t> intermediate;   // that audio as a WAV file (first by-product)
    std::vector<uint8_t> converted;      // the APM or MDM data
    std::vector<uint8_t> description;    // the second by-product
};

// Mixes to mono, resamples to targetRate and encodes. False when the target
// rate is outside 1 ... kMaxTargetRate or nothing would be left to play.
bool BuildSpeechFiles(const PcmAudio& decoded, SpeechFormat format, int targetRate,
                      SpeechFiles& files);

}  // namespace tunemill

// One conversion as it runs: decoded audio comes in piece by piece, is mixed to
// mono, resampled, encoded and written to the converted file and the first
// by-product, both staged beside their final paths; at the end they are put in
// place and the second by-product is written from the converted file.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Resample.h"
#include "SpeechCodec.h"
#include "StagedFile.h"
#include "Wave.h"

namespace tunemill {

class SpeechConversion : public PcmSink {
public:
    SpeechConversion(SpeechFormat format, int targetRate);

    // Creates the staged converted file (false when it can't be) and, given a
    // path, the staged first by-product (left out when it can't be).
    bool Open(const char* convertedPath, const char* firstByProductPath);

    bool Begin(unsigned sampleRate, unsigned channels) override;
    // False when the output passes MaxSpeechSamples or the converted file
    // can't be written.
    bool Take(const int16_t* interleaved, size_t frames) override;

    // Ends the stream and puts the converted file in place, then the
    // by-products (each left out when it can't be written). False when no
    // sample came out, too many did, or the converted file can't be written;
    // then nothing is left behind.
    bool Finish();

private:
    bool Emit();
    void WriteDescription();

    SpeechFormat format_;
    unsigned rate_;
    std::string convertedPath_;
    std::unique_ptr<Resampler> resampler_;
    unsigned channels_ = 0;
    StagedFile converted_, wave_;
    ApmEncoder apm_;
    std::vector<int16_t> mono_, resampled_;
    std::vector<uint8_t> bytes_;
    uint64_t samples_ = 0;
};

}  // namespace tunemill

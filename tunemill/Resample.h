// Sample-rate conversion of mono 16-bit audio with band-limited filters, in
// pieces of any size.
//
// Output sample i stands for source position i x fromRate / toRate. Going
// down, the signal is first halved as long as the halved rate stays at least
// 1.3 times the target, each time through a half-band filter centred on every
// other sample; the rest of the change goes through one windowed-sinc
// low-pass (see FilterDesign.h) evaluated at the exact position, as a
// polyphase filter. Before the first
// sample the first one is repeated, after the last one the last. Results are
// rounded to the nearest integer (halves away from zero) and clipped to 16 bits.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace tunemill {

// Length of n samples at fromRate once converted to toRate:
// round(n × toRate / fromRate), halves rounded up, exact for n below 2^44.
// 0 when a rate is 0.
uint64_t ResampledLength(uint64_t n, unsigned fromRate, unsigned toRate);

// A filtered value as a sample: rounded to the nearest integer, halves away
// from zero, and clipped to -32768 ... 32767.
int16_t RoundToSample(float value);
// The same for `count` values (with SSE2, four at a time).
void RoundToSamples(const float* values, size_t count, int16_t* samples);

// Phases of the polyphase filter computed exactly when the reduced rate ratio
// has at most this many; beyond it, kInterpolatedPhases phases are computed
// and the outputs of the two phases around each position interpolated
// linearly.
const uint64_t kMaxExactPhases = 1024;
const uint64_t kInterpolatedPhases = 1024;

// Receives the output of a Resampler in pieces of at most kResampledPiece
// samples, however much a piece of input gives (going up 192000 times, one
// source sample gives 192000).
class ResampledSink {
public:
    virtual ~ResampledSink() {}
    // False stops the resampler.
    virtual bool TakeResampled(const int16_t* samples, size_t count) = 0;
};

const size_t kResampledPiece = 16384;

class Resampler {
public:
    Resampler(unsigned fromRate, unsigned toRate);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    // Takes the next `count` source samples and hands the sink whatever output
    // they complete. False when the sink stops.
    bool Push(const int16_t* samples, size_t count, ResampledSink& sink);
    // The source has ended: hands over the rest of the output, so that it
    // holds ResampledLength(samples pushed, fromRate, toRate) samples in all.
    bool Finish(ResampledSink& sink);

    // The same, appending to a vector.
    void Push(const int16_t* samples, size_t count, std::vector<int16_t>& out);
    void Finish(std::vector<int16_t>& out);

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// The whole of `in` through a Resampler. Equal rates return the input unchanged.
std::vector<int16_t> Resample(const std::vector<int16_t>& in, unsigned fromRate, unsigned toRate);

}  // namespace tunemill

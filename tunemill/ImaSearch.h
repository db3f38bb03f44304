// The APM encoder's choice of codes: a search over the IMA ADPCM coder's
// states instead of the usual one-sample decision.
//
// The decoder is the standard one (ImaDecode): a code moves the predictor by
// ±(step/8 + the step's halves its bits select), clipped to 16 bits, and the
// step index by -1 for magnitudes 0-3 and +2, +4, +6, +8 for 4-7. The usual
// encoder picks, sample by sample, the code nearest to the sample; the step
// index then lags behind the signal: after a jump it climbs too late, and
// stays too high for long afterwards.
//
// Here the encoder follows eight states at once, one for each of eight
// consecutive step indices (a band that moves with the signal), each
// with its own predictor and the squared error of the best code sequence that
// leads to it (a Viterbi search over the step index). From every state four
// codes are tried: the nearest of the four that lower the index, and those
// that raise it by 2, 4 and 8; each state of the next sample keeps the
// cheapest way of reaching it. Every 768 samples the codes of the best
// sequence are decided for the samples 256 to 1024 back, and states that
// don't descend from them are dropped; the end of the stream decides the rest. So the
// codes decided depend on the samples only, never on how they were handed over,
// and every code is one the decoder reproduces exactly: its output is the
// predictor that the chosen sequence tracked.
//
// The arithmetic is 16-bit with saturation for predictors (as the decoder's
// clipping) and 32-bit for errors, the same in every form of the search: the
// portable one, SSE2 and SSE4.1 (ImaSearchVectors.h), which give the same codes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tunemill {

class ImaSearch {
public:
    static const int kLanes = 8;
    // Samples of history kept, and decided at a time when it is full (the
    // last 256 stay undecided).
    static const size_t kHistorySamples = 1024;
    static const size_t kDecideSamples = 768;

    // The same codes come out of every form; Fastest is the fastest the
    // processor runs (the others are there to be compared with it).
    enum class Form { Fastest, Sse41, Sse2, Portable };
    explicit ImaSearch(Form form = Form::Fastest);

    // Takes the next samples; appends the codes decided meanwhile (0-15, one a
    // sample, in order).
    void Encode(const int16_t* samples, size_t count, std::vector<uint8_t>& codes);
    // The stream has ended: appends the codes of the samples still undecided.
    void Finish(std::vector<uint8_t>& codes);
    Form Used() const { return form_; }

    // The band as the search leaves it after a sample (every form alike).
    struct Band {
        int low = 0;   // step index of lane 0, 0 ... 89 - kLanes
        int best = 0;  // lane of the cheapest state
        // The state the next band is placed by: its step index and predictor.
        int referenceIndex = 0, referencePredictor = 0;
        alignas(16) int16_t predictor[kLanes] = {};
        alignas(16) int32_t cost[kLanes] = {};
    };

private:
    void Decide(size_t count, std::vector<uint8_t>& codes);
    uint8_t* HistoryAt(uint64_t sample) { return &history_[(sample % kHistorySamples) * kLanes]; }

    Form form_ = Form::Portable;
    Band band_;
    // For each sample held: per lane, the code that reached it (bits 0-3) and
    // the lane it came from in the previous sample's band (bits 4-6).
    std::vector<uint8_t> history_;
    uint64_t received_ = 0, decided_ = 0;
    std::vector<uint8_t> path_;
};

}  // namespace tunemill

// The APM encoder's choice of codes: a search over the IMA ADPCM coder's
// states instead of the usual one-sample decision.
//
// The decoder is the standard one (ImaDecode): a code moves the predictor by
// ±(step/8 + the step's halves its bits select), clipped to 16 bits, and the
// step index by -1 for magnitudes 0-3 and +2, +4, +6, +8 for 4-7. The usual
// encoder (ImaEncode) picks, sample by sample, the code nearest to the
// sample; the step index then lags behind the signal: after a jump it climbs
// too late, and stays too high for long afterwards.
//
// Here the encoder follows eight states at once, one for each of eight
// consecutive step indices (a band that moves with the signal), each
// with its own predictor and the squared error of the best code sequence that
// leads to it (a Viterbi search over the step index). From every state four
// codes are tried: the nearest of the four that lower the index, and those
// that raise it by 2, 4 and 8; each state of the next sample keeps the
// cheapest way of reaching it.
//
// The usual encoder runs just ahead of the search, from the same start, and
// places the band: after each sample the band starts three indices below the
// usual encoder's index, or fewer where that index climbs over the next two
// samples (Place in ImaSearchLanes.h), so the band always holds the index of
// the usual encoder's state. That state itself is offered to its lane every
// sample (where it is cheaper than what the search found for that index), so
// the usual encoder's codes are one of the sequences the search follows: the
// search never ends with more error than the usual encoder from the same
// start.
//
// Every 768 samples the codes of the best sequence are decided for the samples
// 256 to 1024 back, and states that don't descend from them are dropped; the
// end of the stream decides the rest. Should the decided codes leave the
// usual encoder's path (only for a sequence with less error up to then), its
// state is no longer offered; it still places the band. Should no state of
// the search reach the band (a band that jumps away from them), the band is
// placed instead around the best state's successor of lower index. The codes
// decided depend on the samples only, never on how they were handed over,
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
    // Samples the band's place looks ahead (the usual encoder's index that
    // far on); samples the usual encoder runs ahead of the search, inside the
    // search's loop (its chain from one sample to the next runs beside the
    // search's, on other parts of the processor); and samples taken at most
    // at a time.
    static const size_t kLookAhead = 2, kPlanLead = 4, kPlannedSamples = 2048;

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
        int low = 0;  // step index of lane 0, 0 ... 89 - kLanes
        alignas(16) int16_t predictor[kLanes] = {};
        alignas(16) int32_t cost[kLanes] = {};
        // The usual encoder's path: its error beyond the least cost of the
        // band; false once a decision has left it.
        int64_t plainCost = 0;
        bool plainAlive = true;
    };
    // The usual encoder's state.
    struct Plain {
        int predictor = 0, index = 0;
    };
    // One sample as the search takes it: the band's place after it, and the
    // usual encoder's state after it (in lane plainLane of that band) with
    // its history entry (below); all but the sample filled in by PlanStep.
    // (Public for the forms of the search, which are local to their files.)
    struct Step {
        int16_t sample;
        int16_t plainPredictor;
        int32_t plainError;  // its squared error, as the search counts it
        uint8_t plainIndex, plainEntry, low, plainLane;
    };

private:
    // Searches the samples taken whose look-ahead is known (every one once
    // the stream has ended), deciding codes as the history fills.
    void Run(bool ended, std::vector<uint8_t>& codes);
    void Decide(size_t count, std::vector<uint8_t>& codes);
    // The usual encoder on the samples taken, up to planned_[end].
    void PlanTo(size_t end);
    uint8_t* HistoryAt(uint64_t sample) { return &history_[(sample % kHistorySamples) * kLanes]; }
    // A state's history entry: lane 0 ... kLanes - 1 of the band, kLanes the
    // usual encoder's.
    uint8_t EntryAt(uint64_t sample, int lane)
    {
        return lane < kLanes ? HistoryAt(sample)[lane] : plainHistory_[sample % kHistorySamples];
    }

    Form form_ = Form::Portable;
    Band band_;
    // The samples not yet searched, from plannedFrom_ to plannedEnd_; those
    // below plainEnd_ taken by the usual encoder (at most kPlanLead of them
    // ahead of the search, but at the end), which is then in state plain_.
    std::vector<Step> planned_;
    size_t plannedFrom_ = 0, plannedEnd_ = 0, plainEnd_ = 0;
    Plain plain_;
    // For each sample held: per lane, the code that reached it (bits 0-3) and
    // the lane it came from in the previous sample's band (bits 4-7, kLanes
    // for the usual encoder's state); and the same for the usual encoder's
    // state, which comes from its own.
    std::vector<uint8_t> history_, plainHistory_;
    uint64_t received_ = 0, decided_ = 0;
    std::vector<uint8_t> path_;
};

}  // namespace tunemill

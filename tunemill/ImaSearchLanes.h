// What every form of the APM encoder's search shares (see ImaSearch.h): the
// band's constants, the usual encoder's state offered to it, and the
// transitions whose index the decoder clips. Included by the files that run
// the search; all of it is local to each, since they are compiled for
// different processors.
#pragma once
#include <cstddef>
#include <cstdint>

#include "ImaSearch.h"

namespace tunemill {

// The standard IMA tables (SpeechCodec.h).
extern const int16_t kImaStepSizes[89];
extern const int kImaIndexChanges[8];

namespace {

const int kLanes = ImaSearch::kLanes;
// A cost at or above this is no state at all. Live costs stay below it, and
// one sample's squared error (at most 32767 squared) added to it still fits
// 32 bits.
const int32_t kNoState = 0x3FFFFFFF;
// The highest first index of a band.
const int kTopLow = 89 - kLanes;
// The codes tried from every state, in this order, by the change of index they
// make: the nearest of magnitudes 0-3 (index - 1), then magnitudes 4, 5 and 7.
const int kTriedCount = 4;
constexpr int kTriedChanges[kTriedCount] = {-1, 2, 4, 8};
const int kTriedMagnitudes[kTriedCount] = {0, 4, 5, 7};  // 0: the nearest of 0-3
// The band moves by this much at most from one sample to the next, either way:
// it starts 1 to 3 below the usual encoder's index (Place below), which is inside
// the previous band (lanes 0-7, lane 1-3 but where it starts again) and then
// moves by -1 ... +8.
const int kLeastMove = -4, kMostMove = 14;

inline int Clip16(int v)
{
    return v > 32767 ? 32767 : (v < -32768 ? -32768 : v);
}

// The error of a predictor, kept within ±32767 so that its square is below
// kNoState.
inline int ErrorOf(int x, int predictor)
{
    const int e = Clip16(x - predictor);
    return e < -32767 ? -32767 : e;
}

// Where the band goes after a sample (step.low), from the usual encoder's
// step index after it and two samples on: three below it, so that the search
// follows states below the usual encoder's (where a steady signal wants
// them), or two or one below where that index climbs by 3 or by 6 over the
// next two samples (where a rising signal wants them higher). The usual
// encoder's own state is always inside: lane 1 ... 3, or lower or higher at
// the ends of the table.
inline void Place(ImaSearch::Step& step, int indexTwoOn)
{
    const int rise = indexTwoOn - step.plainIndex;
    const int below = rise >= 6 ? 1 : (rise >= 3 ? 2 : 3);
    const int low = step.plainIndex - below;
    step.low = static_cast<uint8_t>(low < 0 ? 0 : (low > kTopLow ? kTopLow : low));
    step.plainLane = static_cast<uint8_t>(step.plainIndex - step.low);
}

// The usual encoder (as ImaEncode, without branches) on the sample of
// steps[k]; then, its index two samples on known, the band of steps[k - 2] is
// placed (for k >= kLookAhead).
inline void PlanStep(ImaSearch::Step* steps, size_t k, ImaSearch::Plain& plain)
{
    ImaSearch::Step& p = steps[k];
    const int x = p.sample, size = kImaStepSizes[plain.index], half = size >> 1, quarter = size >> 2;
    int distance = x - plain.predictor;
    const int sign = distance < 0 ? 8 : 0;
    distance = distance < 0 ? -distance : distance;
    // The usual encoder takes its three bits one after another; as the
    // thresholds rise with the magnitude, the magnitude is the number of
    // them the distance reaches, all compared at once.
    const int magnitude = int(distance >= quarter) + int(distance >= half) + int(distance >= half + quarter)
                          + int(distance >= size) + int(distance >= size + quarter) + int(distance >= size + half)
                          + int(distance >= size + half + quarter);
    const int difference = (size >> 3) + ((magnitude & 4) ? size : 0) + ((magnitude & 2) ? half : 0)
                           + ((magnitude & 1) ? quarter : 0);
    const int predictor = Clip16(sign ? plain.predictor - difference : plain.predictor + difference);
    // -1 for magnitudes 0-3, 2, 4, 6 and 8 for 4-7 (kImaIndexChanges).
    int index = plain.index + (magnitude < 4 ? -1 : 2 * (magnitude - 3));
    index = index < 0 ? 0 : (index > 88 ? 88 : index);
    const int e = ErrorOf(x, predictor);
    p.plainPredictor = static_cast<int16_t>(predictor);
    p.plainError = e * e;
    p.plainIndex = static_cast<uint8_t>(index);
    p.plainEntry = static_cast<uint8_t>(sign | magnitude | (kLanes << 4));
    plain.predictor = predictor;
    plain.index = index;
    if (k >= ImaSearch::kLookAhead)
        Place(steps[k - ImaSearch::kLookAhead], index);
}

// Inside a form's loop, before searching steps[i]: the usual encoder takes
// the sample kPlanLead on, where that is its to take (below planEnd).
inline void PlanAhead(ImaSearch::Step* steps, size_t i, size_t planEnd, ImaSearch::Plain& plain)
{
    if (i + ImaSearch::kPlanLead < planEnd)
        PlanStep(steps, i + ImaSearch::kPlanLead, plain);
}

// A state's cost that replaces none: the usual encoder's state when its path
// has been left, or when it is as far behind as a state that is none.
const int32_t kNoOffer = 0x7FFFFFFF;

// What the usual encoder's state costs when it is offered to its lane, its
// error for the sample added.
inline int32_t PlainOffer(const ImaSearch::Band& band, int32_t error)
{
    const int64_t cost = band.plainCost + error;
    return band.plainAlive && cost < kNoState ? static_cast<int32_t>(cost) : kNoOffer;
}

// Whether the band can move from low to newLow in one sample. It always can
// where the usual encoder has placed both (see kLeastMove), but not always
// after a fallback (below).
inline bool Movable(int low, int newLow)
{
    return newLow - low >= kLeastMove && newLow - low <= kMostMove;
}

// Where the band goes when no state reaches the one planned: the best state's
// successor of lower index in lane 3 (or lower, at the bottom of the table;
// higher at the top), so that it goes on. Costs are counted from the least,
// so the best state's is 0.
inline int FallbackLow(const ImaSearch::Band& band)
{
    int best = 0;
    while (best + 1 < kLanes && band.cost[best] != 0)
        ++best;
    const int lower = band.low + best - 1 - 3;
    return lower < 0 ? 0 : (lower > kTopLow ? kTopLow : lower);
}

// One sample's result, lane by lane.
struct Lanes {
    int32_t cost[kLanes];
    int16_t predictor[kLanes];
    int16_t history[kLanes];  // code | previous lane << 4 (kLanes: the usual encoder's)
};

// A band at the bottom: the lowering codes of index 0 keep index 0 (the
// decoder clips -1), so lane 0's lowering candidate also competes for lane 0
// of the next band (after the others, in both forms).
inline bool AtBottom(int low, int newLow)
{
    return low == 0 && newLow == 0;
}

// A band at the top: codes that would raise the index above 88 leave it at 88.
inline bool AtTop(int newLow)
{
    return newLow == kTopLow;
}

// For a band at the top, every code whose index the decoder clips at 88 is
// tried, into the lane of index 88.
inline void TryClippedAtTop(const ImaSearch::Band& band, int x, Lanes& result)
{
    const int lane = 88 - kTopLow;
    for (int j = 0; j < kLanes; ++j) {
        const int index = band.low + j, step = kImaStepSizes[index];
        const int predictor = band.predictor[j];
        const bool down = predictor > x;
        for (int magnitude = 4; magnitude < 8; ++magnitude) {
            if (index + kImaIndexChanges[magnitude] <= 88)
                continue;
            int difference = step >> 3;
            difference += step;
            if (magnitude & 2)
                difference += step >> 1;
            if (magnitude & 1)
                difference += step >> 2;
            const int moved = Clip16(down ? predictor - difference : predictor + difference);
            const int e = ErrorOf(x, moved);
            const int32_t cost = band.cost[j] + e * e;
            if (cost < result.cost[lane]) {
                result.cost[lane] = cost;
                result.predictor[lane] = static_cast<int16_t>(moved);
                result.history[lane] = static_cast<int16_t>(magnitude | (down ? 8 : 0) | (j << 4));
            }
        }
    }
}

}  // namespace
}  // namespace tunemill

// What every form of the APM encoder's search shares (see ImaSearch.h): the
// band's constants, the usual encoder's step and its state offered to the
// band, and the transitions whose index the decoder clips. Included by the
// files that run the search; all of it but the usual encoder's tables is
// local to each, since they are compiled for different processors.
#pragma once
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#endif
#if defined(_MSC_VER)
#include <intrin.h>
#endif

#include "ImaSearch.h"

namespace tunemill {

// The standard IMA tables (SpeechCodec.h).
extern const int16_t kImaStepSizes[89];
extern const int kImaIndexChanges[8];

// The usual encoder's steps as tables, by step index (built in ImaSearch.cpp
// from the standard tables), so that a sample costs it a few loads instead of
// the arithmetic: it runs beside the search, and every instruction it saves
// is one more for the search where the processor is shared.
struct PlainTables {
    // The distances at which the magnitude reaches 1 ... 7 (a quarter, a
    // half ... seven quarters of the step, as the usual encoder adds them up),
    // less one and offset by 0x8000, so that a distance (0 ... 65535) offset
    // the same way passes one as a signed 16-bit number exactly where it
    // reaches it; lane 7 is never passed.
    alignas(16) int16_t thresholds[89][8];
    // For each magnitude: the predictor's move (as ImaDecode; up to 61436),
    // and the index after it (clipped to 0 ... 88).
    uint16_t moves[89][8];
    uint8_t next[89][8];
    // The band's place after a sample, by the usual encoder's index after it
    // and its rise over the next two samples (-2 ... 16, as [rise + 2]): three
    // below that index, so that the search follows states below the usual
    // encoder's (where a steady signal wants them), or two or one below where
    // the index climbs by 3 or by 6 (where a rising signal wants them
    // higher), the band kept within the table. The usual encoder's own state
    // is always inside: lane 1 ... 3, or lower or higher at the table's ends.
    uint8_t low[89][19];
};
extern const PlainTables kPlainTables;

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
// it starts 1 to 3 below the usual encoder's index (PlainTables::low), which
// is inside the previous band (lanes 0-7, lane 1-3 but where it starts again) and then
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
    const int e = x - predictor;
    return e > 32767 ? 32767 : (e < -32767 ? -32767 : e);
}

// Where the band goes after a sample (step.low), from the usual encoder's
// step index after it and two samples on.
inline void Place(ImaSearch::Step& step, int indexTwoOn)
{
    const int low = kPlainTables.low[step.plainIndex][indexTwoOn - step.plainIndex + 2];
    step.low = static_cast<uint8_t>(low);
    step.plainLane = static_cast<uint8_t>(step.plainIndex - low);
}

// The usual encoder's magnitude for a distance from the predictor: the number
// of its thresholds the distance reaches (they rise with the magnitude; the
// usual encoder finds its three bits one after another, which comes to the
// same).
inline int PlainMagnitude(int distance, int index)
{
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
    // All seven at once: the lanes passed are the lowest ones, so the mask of
    // them plus one is a power of two.
    const __m128i thresholds = _mm_load_si128(reinterpret_cast<const __m128i*>(kPlainTables.thresholds[index]));
    const __m128i passed = _mm_cmpgt_epi16(_mm_set1_epi16(static_cast<int16_t>(distance ^ 0x8000)), thresholds);
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(passed, passed))) & 0xFFu;
#if defined(_MSC_VER)
    unsigned long magnitude;
    _BitScanForward(&magnitude, mask + 1);
    return static_cast<int>(magnitude);
#else
    return __builtin_ctz(mask + 1);
#endif
#else
    const int size = kImaStepSizes[index], half = size >> 1, quarter = size >> 2;
    return int(distance >= quarter) + int(distance >= half) + int(distance >= half + quarter) + int(distance >= size)
           + int(distance >= size + quarter) + int(distance >= size + half) + int(distance >= size + half + quarter);
#endif
}

// The usual encoder (as ImaEncode, without branches) on the sample of
// steps[k]; then, its index two samples on known, the band of steps[k - 2] is
// placed (for k >= kLookAhead).
inline void PlanStep(ImaSearch::Step* steps, size_t k, ImaSearch::Plain& plain)
{
    ImaSearch::Step& p = steps[k];
    const int x = p.sample, index = plain.index;
    const int difference = x - plain.predictor;
    const int down = difference < 0 ? -1 : 0;  // the code's sign, as a mask
    const int magnitude = PlainMagnitude((difference ^ down) - down, index);
    const int move = kPlainTables.moves[index][magnitude];
    const int predictor = Clip16(plain.predictor + ((move ^ down) - down));
    const int next = kPlainTables.next[index][magnitude];
    const int e = ErrorOf(x, predictor);
    p.plainPredictor = static_cast<int16_t>(predictor);
    p.plainError = e * e;
    p.plainIndex = static_cast<uint8_t>(next);
    p.plainEntry = static_cast<uint8_t>((down & 8) | magnitude | (kLanes << 4));
    plain.predictor = predictor;
    plain.index = next;
    if (k >= ImaSearch::kLookAhead)
        Place(steps[k - ImaSearch::kLookAhead], next);
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

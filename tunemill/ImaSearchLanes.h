// What every form of the APM encoder's search shares (see ImaSearch.h): the
// band's constants, the placement of the next band, and the transitions whose
// index the decoder clips. Included by the files that run the search; all of
// it is local to each, since they are compiled for different processors.
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
const int kTriedChanges[kTriedCount] = {-1, 2, 4, 8};
const int kTriedMagnitudes[kTriedCount] = {0, 4, 5, 7};  // 0: the nearest of 0-3
// The band moves by this much at most from one sample to the next, either way.
const int kLeastMove = -3, kMostMove = 13;

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

// Tables worked out by the compiler, so that no code runs to make them (a file
// compiled for a newer processor runs none before it is called).
struct Tables {
    // ceil(4 × 65536 / step) for every step index.
    uint32_t reciprocal[89] = {};
    // The first lane set in a mask of eight lanes (8 for none).
    uint8_t firstLane[256] = {};
    constexpr Tables()
    {
        constexpr int16_t steps[89] = {
            7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
            25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
            88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
            307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
            1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
            3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
            12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
        for (int i = 0; i < 89; ++i)
            reciprocal[i] = (4u * 65536u + static_cast<uint32_t>(steps[i]) - 1) / static_cast<uint32_t>(steps[i]);
        for (int mask = 0; mask < 256; ++mask) {
            int lane = 0;
            while (lane < 8 && !((mask >> lane) & 1))
                ++lane;
            firstLane[mask] = static_cast<uint8_t>(lane);
        }
    }
};
constexpr Tables kTables;

// The next sample's band starts two indices below the one that a reference
// state's nearest code leads to, so that it holds that state's successors of
// lower and of higher index. The reference is the state in lane 2 (where the
// previous placement put the one it followed) while that lane holds a state,
// otherwise the best: so the placement needs no search for the best, which
// would hold up every sample. The nearest magnitude is about
// distance × 4 / step, taken as distance × ceil(4 × 65536 / step) >> 16.
inline int NextLow(int index, int predictor, int x)
{
    int distance = x - predictor;
    if (distance < 0)
        distance = -distance;
    uint32_t magnitude = (static_cast<uint32_t>(distance) * kTables.reciprocal[index]) >> 16;
    if (magnitude > 7)
        magnitude = 7;
    const int low = index - 2 + kImaIndexChanges[magnitude];
    return low < 0 ? 0 : (low > kTopLow ? kTopLow : low);
}

// The lane of the reference state (see NextLow), from a sample's costs before
// they are counted from the least: lane 2 holds a state when its cost is
// below kNoState.
const int kReferenceLane = 2;

// One sample's result, lane by lane.
struct Lanes {
    int32_t cost[kLanes];
    int16_t predictor[kLanes];
    int16_t history[kLanes];  // code | previous lane << 4
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

// The APM encoder's search (see ImaSearch.h) on eight lanes at once: the band's
// predictors in one register of 16-bit lanes, its costs in two of 32-bit lanes.
// Written once for the processors' instruction sets: the including file gives
// `Isa` (Blend, Min32 and Move32 of its set, and Merge: MergeMoved below, or
// its own) and compiles it for that set.
// Everything here is local to the including file.
#pragma once
#include <emmintrin.h>

#include "ImaSearchLanes.h"

namespace tunemill {
namespace {

// The eight lanes' candidates: costs in two halves of four.
struct Vectors {
    __m128i cost0, cost1, predictor, history;
};

// What every candidate of a sample shares.
struct Sample {
    __m128i x, cost0, cost1, base, step, quarter, half, direction;
};

// Lane t of the result is lane t + S of v (16-bit lanes), 0 where that is
// outside.
template <int S>
inline __m128i Move16(__m128i v)
{
    if constexpr (S >= kLanes || S <= -kLanes)
        return _mm_setzero_si128();
    else if constexpr (S > 0)
        return _mm_srli_si128(v, 2 * S);
    else if constexpr (S < 0)
        return _mm_slli_si128(v, -2 * S);
    else
        return v;
}

// kNoState in the lanes t of eight 32-bit lanes whose t + S is outside.
template <int S>
inline void FillOutside(__m128i& low, __m128i& high)
{
    constexpr int32_t f0 = (S < 0) ? kNoState : 0, f1 = (S < -1 || S > 6) ? kNoState : 0;
    constexpr int32_t f2 = (S < -2 || S > 5) ? kNoState : 0, f3 = (S < -3 || S > 4) ? kNoState : 0;
    constexpr int32_t f4 = (S < -4 || S > 3) ? kNoState : 0, f5 = (S < -5 || S > 2) ? kNoState : 0;
    constexpr int32_t f6 = (S < -6 || S > 1) ? kNoState : 0, f7 = (S > 0) ? kNoState : 0;
    if constexpr ((f0 | f1 | f2 | f3) != 0)
        low = _mm_or_si128(low, _mm_setr_epi32(f0, f1, f2, f3));
    if constexpr ((f4 | f5 | f6 | f7) != 0)
        high = _mm_or_si128(high, _mm_setr_epi32(f4, f5, f6, f7));
}

template <class Isa, int S>
inline Vectors Moved(const Vectors& v)
{
    Vectors r;
    if constexpr (S >= kLanes || S <= -kLanes) {
        r.cost0 = r.cost1 = _mm_set1_epi32(kNoState);
    } else {
        Isa::template Move32<S>(v.cost0, v.cost1, r.cost0, r.cost1);
        FillOutside<S>(r.cost0, r.cost1);
    }
    r.predictor = Move16<S>(v.predictor);
    r.history = Move16<S>(v.history);
    return r;
}

// Lanes of `candidate`, moved by S, replace those of `result` that cost more.
template <class Isa, int S>
inline void Take(Vectors& result, const Vectors& candidate)
{
    if constexpr (S < kLanes && S > -kLanes) {
        const Vectors moved = Moved<Isa, S>(candidate);
        const __m128i more0 = _mm_cmpgt_epi32(result.cost0, moved.cost0);
        const __m128i more1 = _mm_cmpgt_epi32(result.cost1, moved.cost1);
        const __m128i more = _mm_packs_epi32(more0, more1);
        result.cost0 = Isa::Min32(result.cost0, moved.cost0, more0);
        result.cost1 = Isa::Min32(result.cost1, moved.cost1, more1);
        result.predictor = Isa::Blend(more, result.predictor, moved.predictor);
        result.history = Isa::Blend(more, result.history, moved.history);
    }
}

// Squared errors of eight predictors added to the states' costs.
inline void AddCosts(const Sample& s, Vectors& v)
{
    const __m128i e = _mm_max_epi16(_mm_subs_epi16(s.x, v.predictor), _mm_set1_epi16(-32767));
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_unpacklo_epi16(e, zero), high = _mm_unpackhi_epi16(e, zero);
    v.cost0 = _mm_add_epi32(s.cost0, _mm_madd_epi16(low, low));
    v.cost1 = _mm_add_epi32(s.cost1, _mm_madd_epi16(high, high));
}

// The candidates of magnitudes 4, 5 and 7, in the order of kTriedChanges
// after the lowering one (written out: held in registers, not an array).
struct Raised {
    Vectors four, five, seven;
};

inline Raised Raising(const Sample& s)
{
    Raised r;
    r.four.predictor = _mm_adds_epi16(s.base, s.step);
    r.five.predictor = _mm_adds_epi16(r.four.predictor, s.quarter);
    r.seven.predictor = _mm_adds_epi16(_mm_adds_epi16(r.four.predictor, s.half), s.quarter);
    r.four.history = _mm_or_si128(s.direction, _mm_set1_epi16(4));
    r.five.history = _mm_or_si128(s.direction, _mm_set1_epi16(5));
    r.seven.history = _mm_or_si128(s.direction, _mm_set1_epi16(7));
    AddCosts(s, r.four);
    AddCosts(s, r.five);
    AddCosts(s, r.seven);
    return r;
}

// The next band from the candidates, for a band moved by D indices, in the
// order of kTriedChanges.
template <class Isa, int D>
Vectors Merge(const Sample& s, const Vectors& lowering)
{
    Vectors result = Moved<Isa, D + 1>(lowering);
    const Raised r = Raising(s);
    Take<Isa, D - 2>(result, r.four);
    Take<Isa, D - 4>(result, r.five);
    Take<Isa, D - 8>(result, r.seven);
    return result;
}

// The same for a move known only as the search runs: one case for each.
template <class Isa>
Vectors MergeMoved(int move, const Sample& s, const Vectors& lowering)
{
    static_assert(kLeastMove == -4 && kMostMove == 14, "one case for every move of the band");
    switch (move) {
    case -4: return Merge<Isa, -4>(s, lowering);
    case -3: return Merge<Isa, -3>(s, lowering);
    case -2: return Merge<Isa, -2>(s, lowering);
    case -1: return Merge<Isa, -1>(s, lowering);
    case 0: return Merge<Isa, 0>(s, lowering);
    case 1: return Merge<Isa, 1>(s, lowering);
    case 2: return Merge<Isa, 2>(s, lowering);
    case 3: return Merge<Isa, 3>(s, lowering);
    case 4: return Merge<Isa, 4>(s, lowering);
    case 5: return Merge<Isa, 5>(s, lowering);
    case 6: return Merge<Isa, 6>(s, lowering);
    case 7: return Merge<Isa, 7>(s, lowering);
    case 8: return Merge<Isa, 8>(s, lowering);
    case 9: return Merge<Isa, 9>(s, lowering);
    case 10: return Merge<Isa, 10>(s, lowering);
    case 11: return Merge<Isa, 11>(s, lowering);
    case 12: return Merge<Isa, 12>(s, lowering);
    case 13: return Merge<Isa, 13>(s, lowering);
    default: return Merge<Isa, 14>(s, lowering);
    }
}

// The states after the sample for a band starting at newLow, from the band's
// states (band.low, and the registers given) and the sample's candidates.
template <class Isa>
Vectors MergeInto(ImaSearch::Band& band, int newLow, int x, __m128i predictor, const Sample& s, const Vectors& lowering)
{
    Vectors result = Isa::Merge(newLow - band.low, s, lowering);
    if (AtBottom(band.low, newLow)) {
        const int32_t own = _mm_cvtsi128_si32(lowering.cost0);
        if (own < _mm_cvtsi128_si32(result.cost0)) {
            result.cost0 = _mm_or_si128(_mm_and_si128(result.cost0, _mm_setr_epi32(0, -1, -1, -1)), _mm_cvtsi32_si128(own));
            result.predictor = _mm_insert_epi16(result.predictor, _mm_extract_epi16(lowering.predictor, 0), 0);
            result.history = _mm_insert_epi16(result.history, _mm_extract_epi16(lowering.history, 0), 0);
        }
    }
    if (AtTop(newLow)) {
        Lanes lanes;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes.cost), result.cost0);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes.cost + 4), result.cost1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes.predictor), result.predictor);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes.history), result.history);
        _mm_store_si128(reinterpret_cast<__m128i*>(band.predictor), predictor);
        _mm_store_si128(reinterpret_cast<__m128i*>(band.cost), s.cost0);
        _mm_store_si128(reinterpret_cast<__m128i*>(band.cost + 4), s.cost1);
        TryClippedAtTop(band, x, lanes);
        result.cost0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes.cost));
        result.cost1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes.cost + 4));
        result.predictor = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes.predictor));
        result.history = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes.history));
    }
    return result;
}

// The least of the eight costs, in every lane.
template <class Isa>
inline __m128i Least(const Vectors& result)
{
    __m128i least = Isa::Min32(result.cost0, result.cost1, _mm_cmpgt_epi32(result.cost0, result.cost1));
    __m128i other = _mm_shuffle_epi32(least, 0x4E);
    least = Isa::Min32(least, other, _mm_cmpgt_epi32(least, other));
    other = _mm_shuffle_epi32(least, 0xB1);
    return Isa::Min32(least, other, _mm_cmpgt_epi32(least, other));
}

// The usual encoder's state replaces lane `lane` of the result where it is
// cheaper.
template <class Isa>
inline void TakePlain(Vectors& result, int lane, int32_t cost, int16_t predictor, int16_t history)
{
    // Lane `lane` of eight 32-bit lanes (two halves) and of eight 16-bit ones.
    const __m128i numbers = _mm_setr_epi32(0, 1, 2, 3), which = _mm_set1_epi32(lane);
    const __m128i in0 = _mm_cmpeq_epi32(numbers, which);
    const __m128i in1 = _mm_cmpeq_epi32(_mm_add_epi32(numbers, _mm_set1_epi32(4)), which);
    const __m128i offer = _mm_set1_epi32(cost);
    const __m128i more0 = _mm_and_si128(in0, _mm_cmpgt_epi32(result.cost0, offer));
    const __m128i more1 = _mm_and_si128(in1, _mm_cmpgt_epi32(result.cost1, offer));
    const __m128i more = _mm_packs_epi32(more0, more1);
    result.cost0 = Isa::Blend(more0, result.cost0, offer);
    result.cost1 = Isa::Blend(more1, result.cost1, offer);
    result.predictor = Isa::Blend(more, result.predictor, _mm_set1_epi16(predictor));
    result.history = Isa::Blend(more, result.history, _mm_set1_epi16(history));
}

// Runs the search over `count` samples, the usual encoder kPlanLead samples
// ahead up to planEnd (PlanAhead); the history entries of sample i go to
// history + 8 × i.
template <class Isa>
void SearchVectors(ImaSearch::Band& given, ImaSearch::Plain& usual, ImaSearch::Step* steps, size_t count,
                   uint8_t* history, size_t planEnd)
{
    // Copies, kept in registers (the history written through bytes might
    // alias the originals).
    ImaSearch::Band band = given;
    ImaSearch::Plain plain = usual;
    const __m128i laneNumbers = _mm_setr_epi16(0, 16, 32, 48, 64, 80, 96, 112);
    const __m128i eight = _mm_set1_epi16(8), zero = _mm_setzero_si128();
    const __m128i noState = _mm_set1_epi32(kNoState), live = _mm_set1_epi32(kNoState - 1);
    __m128i predictor = _mm_load_si128(reinterpret_cast<const __m128i*>(band.predictor));
    __m128i cost0 = _mm_load_si128(reinterpret_cast<const __m128i*>(band.cost));
    __m128i cost1 = _mm_load_si128(reinterpret_cast<const __m128i*>(band.cost + 4));
    bool fallback = false;
    for (size_t i = 0; i < count; ++i) {
        if (!fallback)
            PlanAhead(steps, i, planEnd, plain);
        const ImaSearch::Step& plan = steps[i];
        const int x = plan.sample;
        Sample s;
        s.x = _mm_set1_epi16(static_cast<int16_t>(x));
        s.cost0 = cost0;
        s.cost1 = cost1;
        const __m128i step = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kImaStepSizes + band.low));
        const __m128i eighth = _mm_srai_epi16(step, 3), quarter = _mm_srai_epi16(step, 2), half = _mm_srai_epi16(step, 1);
        // Toward the sample: the step's parts negated where the predictor is above it.
        const __m128i down = _mm_cmpgt_epi16(predictor, s.x);
        s.step = _mm_sub_epi16(_mm_xor_si128(step, down), down);
        s.quarter = _mm_sub_epi16(_mm_xor_si128(quarter, down), down);
        s.half = _mm_sub_epi16(_mm_xor_si128(half, down), down);
        s.base = _mm_adds_epi16(predictor, _mm_sub_epi16(_mm_xor_si128(eighth, down), down));
        s.direction = _mm_or_si128(_mm_and_si128(down, eight), laneNumbers);
        // The nearest code of magnitude 0-3: thresholds at a quarter, a half
        // and three quarters of the step.
        const __m128i difference = _mm_subs_epi16(s.x, predictor);
        const __m128i distance = _mm_max_epi16(difference, _mm_subs_epi16(zero, difference));
        const __m128i c1 = _mm_cmpgt_epi16(distance, quarter), c2 = _mm_cmpgt_epi16(distance, half);
        const __m128i c3 = _mm_cmpgt_epi16(distance, _mm_add_epi16(half, quarter));
        Vectors lowering;
        lowering.predictor = _mm_adds_epi16(_mm_adds_epi16(s.base, _mm_and_si128(c2, s.half)),
                                            _mm_and_si128(_mm_xor_si128(_mm_xor_si128(c1, c2), c3), s.quarter));
        lowering.history = _mm_sub_epi16(_mm_sub_epi16(_mm_sub_epi16(s.direction, c1), c2), c3);
        AddCosts(s, lowering);
        // The band the usual encoder placed; or, where no state reaches it
        // (rare: the sample is taken again), the fallback.
        int newLow = plan.low;
        const bool placed = !fallback && Movable(band.low, newLow);
        if (!placed) {
            _mm_store_si128(reinterpret_cast<__m128i*>(band.cost), cost0);
            _mm_store_si128(reinterpret_cast<__m128i*>(band.cost + 4), cost1);
            newLow = FallbackLow(band);
        }
        Vectors result = MergeInto<Isa>(band, newLow, x, predictor, s, lowering);
        if (placed && band.plainAlive)
            TakePlain<Isa>(result, plan.plainLane, PlainOffer(band, plan.plainError), plan.plainPredictor,
                           plan.plainEntry);
        const __m128i least = Least<Isa>(result);
        if (placed && _mm_cvtsi128_si32(least) >= kNoState) {
            fallback = true;
            --i;
            continue;
        }
        fallback = false;
        band.plainCost += plan.plainError;
        band.plainCost -= _mm_cvtsi128_si32(least);
        band.low = newLow;
        cost0 = Isa::Blend(_mm_cmpgt_epi32(result.cost0, live), _mm_sub_epi32(result.cost0, least), noState);
        cost1 = Isa::Blend(_mm_cmpgt_epi32(result.cost1, live), _mm_sub_epi32(result.cost1, least), noState);
        predictor = result.predictor;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(history + 8 * i), _mm_packus_epi16(result.history, zero));
    }
    _mm_store_si128(reinterpret_cast<__m128i*>(band.predictor), predictor);
    _mm_store_si128(reinterpret_cast<__m128i*>(band.cost), cost0);
    _mm_store_si128(reinterpret_cast<__m128i*>(band.cost + 4), cost1);
    given = band;
    usual = plain;
}

}  // namespace
}  // namespace tunemill

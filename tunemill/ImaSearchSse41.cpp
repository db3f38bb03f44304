// The APM encoder's search with SSE4.1 (blends, 32-bit minima and byte
// shuffles in one instruction each). This file alone is compiled for it; it
// runs only where the processor has it, and chooses the same codes as the
// SSE2 and the portable forms.
//
// The band's lanes move by an amount known only as the search runs; here they
// are moved by byte shuffles whose masks come from a table, instead of by one
// branch for each amount, which the processor would mispredict.
#include <smmintrin.h>

#include "ImaSearchVectors.h"

namespace tunemill {

namespace {

// Lane moves S = -kMostShift ... kMostShift: lane t of the result is lane
// t + S of the eight, none where that is outside. Enough for every move of
// the band less every change of index tried.
const int kMostShift = 16;
static_assert(kMostMove - kTriedChanges[0] <= kMostShift && kLeastMove - kTriedChanges[kTriedCount - 1] >= -kMostShift,
              "every shift in the table");

// For each S: byte shuffles of the eight 32-bit lanes (low and high halves,
// each from the low and the high half) and of eight 16-bit lanes; the costs
// that fill lanes from outside (kNoState, as no state), and the same for a
// candidate that must replace nothing when all of it is outside (as the
// portable form skips it).
struct alignas(16) Shift {
    uint8_t lowFromLow[16], lowFromHigh[16], highFromLow[16], highFromHigh[16], lanes16[16];
    int32_t fillLow[4], fillHigh[4], takeLow[4], takeHigh[4];
};

struct ShiftTable {
    Shift of[2 * kMostShift + 1] = {};
    constexpr ShiftTable()
    {
        for (int shift = -kMostShift; shift <= kMostShift; ++shift) {
            Shift& m = of[shift + kMostShift];
            const bool allOutside = shift >= kLanes || shift <= -kLanes;
            for (int t = 0; t < 8; ++t) {
                const int u = t + shift;  // the source lane
                const bool inside = u >= 0 && u < 8;
                for (int b = 0; b < 4; ++b) {
                    uint8_t* fromLow = t < 4 ? m.lowFromLow : m.highFromLow;
                    uint8_t* fromHigh = t < 4 ? m.lowFromHigh : m.highFromHigh;
                    fromLow[4 * (t % 4) + b] = inside && u < 4 ? static_cast<uint8_t>(4 * u + b) : 0x80;
                    fromHigh[4 * (t % 4) + b] = inside && u >= 4 ? static_cast<uint8_t>(4 * (u - 4) + b) : 0x80;
                }
                for (int b = 0; b < 2; ++b)
                    m.lanes16[2 * t + b] = inside ? static_cast<uint8_t>(2 * u + b) : 0x80;
                int32_t* fill = t < 4 ? m.fillLow : m.fillHigh;
                int32_t* take = t < 4 ? m.takeLow : m.takeHigh;
                fill[t % 4] = inside ? 0 : kNoState;
                take[t % 4] = allOutside ? kNoOffer : (inside ? 0 : kNoState);
            }
        }
    }
};
constexpr ShiftTable kShifts;

__m128i Load(const void* p)
{
    return _mm_load_si128(static_cast<const __m128i*>(p));
}

// The candidates moved by `shift` lanes, lanes from outside costing what
// `fillLow` and `fillHigh` say.
Vectors Shifted(const Vectors& v, const Shift& m, const int32_t* fillLow, const int32_t* fillHigh)
{
    Vectors r;
    r.cost0 = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(v.cost0, Load(m.lowFromLow)), _mm_shuffle_epi8(v.cost1, Load(m.lowFromHigh))),
                           Load(fillLow));
    r.cost1 = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(v.cost0, Load(m.highFromLow)), _mm_shuffle_epi8(v.cost1, Load(m.highFromHigh))),
                           Load(fillHigh));
    r.predictor = _mm_shuffle_epi8(v.predictor, Load(m.lanes16));
    r.history = _mm_shuffle_epi8(v.history, Load(m.lanes16));
    return r;
}

// Lanes of the candidates, moved by `shift`, replace those of `result` that cost more.
void TakeShifted(Vectors& result, const Vectors& candidate, int shift)
{
    const Shift& m = kShifts.of[shift + kMostShift];
    const Vectors moved = Shifted(candidate, m, m.takeLow, m.takeHigh);
    const __m128i more0 = _mm_cmpgt_epi32(result.cost0, moved.cost0);
    const __m128i more1 = _mm_cmpgt_epi32(result.cost1, moved.cost1);
    const __m128i more = _mm_packs_epi32(more0, more1);
    result.cost0 = _mm_min_epi32(result.cost0, moved.cost0);
    result.cost1 = _mm_min_epi32(result.cost1, moved.cost1);
    result.predictor = _mm_blendv_epi8(result.predictor, moved.predictor, more);
    result.history = _mm_blendv_epi8(result.history, moved.history, more);
}

struct Sse41 {
    // Merge<Isa, D> with the moves taken from the table.
    static Vectors Merge(int move, const Sample& s, const Vectors& lowering)
    {
        const Shift& first = kShifts.of[move - kTriedChanges[0] + kMostShift];
        Vectors result = Shifted(lowering, first, first.fillLow, first.fillHigh);
        Vectors v[3];
        Raising(s, v);
        for (int k = 1; k < kTriedCount; ++k)
            TakeShifted(result, v[k - 1], move - kTriedChanges[k]);
        return result;
    }
    static __m128i Blend(__m128i mask, __m128i a, __m128i b) { return _mm_blendv_epi8(a, b, mask); }
    static __m128i Min32(__m128i a, __m128i b, __m128i) { return _mm_min_epi32(a, b); }
    template <int S>
    static void Move32(__m128i a, __m128i b, __m128i& low, __m128i& high)
    {
        if constexpr (S == 0) {
            low = a;
            high = b;
        } else if constexpr (S >= 4) {
            low = _mm_srli_si128(b, 4 * (S - 4));
            high = _mm_setzero_si128();
        } else if constexpr (S > 0) {
            low = _mm_alignr_epi8(b, a, 4 * S);
            high = _mm_srli_si128(b, 4 * S);
        } else if constexpr (S <= -4) {
            low = _mm_setzero_si128();
            high = _mm_slli_si128(a, 4 * (-S - 4));
        } else {
            low = _mm_slli_si128(a, -4 * S);
            high = _mm_alignr_epi8(b, a, 16 + 4 * S);
        }
    }
};

}  // namespace

void SearchImaSse41(ImaSearch::Band& band, ImaSearch::Plain& plain, const ImaSearch::Batch& batch)
{
    SearchVectors<Sse41>(band, plain, batch);
}

}  // namespace tunemill

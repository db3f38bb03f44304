// The APM encoder's search with SSE4.1 (blends, 32-bit minima and byte
// alignment in one instruction each). This file alone is compiled for it; it
// runs only where the processor has it, and chooses the same codes as the
// SSE2 and the portable forms.
#include <smmintrin.h>

#include "ImaSearchVectors.h"

namespace tunemill {

namespace {

struct Sse41 {
    static Vectors Merge(int move, const Sample& s, const Vectors& lowering)
    {
        return MergeMoved<Sse41>(move, s, lowering);
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

void SearchImaSse41(ImaSearch::Band& band, ImaSearch::Plain& plain, ImaSearch::Step* steps, size_t count,
                    uint8_t* history, size_t planEnd)
{
    SearchVectors<Sse41>(band, plain, steps, count, history, planEnd);
}

}  // namespace tunemill

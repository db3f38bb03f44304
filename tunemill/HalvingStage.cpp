#include "HalvingStage.h"

namespace tunemill {

namespace {

// Outputs filtered at a time.
const size_t kBlock = 256;

}  // namespace

// Makes every output m whose taps are all held: 2m + reach within the
// window, and 2m within the input proper.
void HalvingStage::Produce(std::vector<float>& out)
{
    int64_t limit = window_.End() - reach_;  // 2m < limit
    if (limit > static_cast<int64_t>(window_.Received()))
        limit = static_cast<int64_t>(window_.Received());
    const int64_t count = limit > 2 * next_ ? (limit + 1) / 2 - next_ : 0;
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(count));
    for (int64_t done = 0; done < count;) {
        const size_t n = count - done < static_cast<int64_t>(kBlock) ? static_cast<size_t>(count - done) : kBlock;
        Filter(next_ + done, n, &out[start + static_cast<size_t>(done)]);
        done += static_cast<int64_t>(n);
    }
    next_ += count;
    window_.DropBefore(2 * next_ - reach_);
}

// Outputs first ... first + count - 1. A half-band filter is 0 at every even
// distance from its centre: each output is the centre tap times its input 2m,
// plus, for every odd distance d, the tap there times the sum of inputs
// 2m - d and 2m + d. So the inputs are split first: the centres (even) and
// the odd ones the taps reach, odd[i] being input 2 × first - reach + 2i.
// Every output adds its terms in the same order, in both loops.
void HalvingStage::Filter(int64_t first, size_t count, float* out)
{
    const size_t pairs = static_cast<size_t>(reach_ + 1) / 2;
    const size_t odds = count + 2 * pairs - 1;
    even_.resize(count);
    odd_.resize(odds);
    const float* evenFrom = window_.At(2 * first);
    const float* oddFrom = window_.At(2 * first - reach_);
    // Inputs held past oddFrom: reading 8 at a time must stay within them.
    const size_t held = static_cast<size_t>(window_.End() - (2 * first - reach_));
    size_t i = 0;
#ifdef TUNEMILL_SSE2
    for (; i + 4 <= odds && 2 * i + 8 <= held; i += 4)
        _mm_storeu_ps(&odd_[i], _mm_shuffle_ps(_mm_loadu_ps(oddFrom + 2 * i), _mm_loadu_ps(oddFrom + 2 * i + 4),
                                               _MM_SHUFFLE(2, 0, 2, 0)));
#endif
    for (; i < odds; ++i)
        odd_[i] = oddFrom[2 * i];
    for (i = 0; i < count; ++i)
        even_[i] = evenFrom[2 * i];

    const float centre = taps_[static_cast<size_t>(reach_)];
    const float* tap = &taps_[static_cast<size_t>(reach_) + 1];  // tap[2j]: distance 2j + 1
    const float* odd = odd_.data();
    size_t m = 0;
#ifdef TUNEMILL_SSE2
    for (; m + 4 <= count; m += 4) {
        __m128 sum = _mm_mul_ps(_mm_set1_ps(centre), _mm_loadu_ps(&even_[m]));
        for (size_t j = 0; j < pairs; ++j)
            sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(tap[2 * j]), _mm_add_ps(_mm_loadu_ps(odd + m + pairs - 1 - j),
                                                                                  _mm_loadu_ps(odd + m + pairs + j))));
        _mm_storeu_ps(out + m, sum);
    }
#endif
    for (; m < count; ++m) {
        float sum = centre * even_[m];
        for (size_t j = 0; j < pairs; ++j)
            sum += tap[2 * j] * (odd[m + pairs - 1 - j] + odd[m + pairs + j]);
        out[m] = sum;
    }
}

}  // namespace tunemill

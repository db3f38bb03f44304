#include "PolyphaseStage.h"

#include "FilterDesign.h"
#include "Resample.h"

#include <cmath>
#include <mutex>

#include "Simd.h"

namespace tunemill {

namespace {

uint64_t Gcd(uint64_t a, uint64_t b)
{
    while (b != 0) {
        const uint64_t rest = a % b;
        a = b;
        b = rest;
    }
    return a;
}

// The sum of a[i] x b[i] for n a multiple of 4, kept in sixteen running sums
// (i mod 16) that are added pairwise at the end; the plain form below adds in
// exactly the same order, so both give the same bits.
float Dot(const float* a, const float* b, size_t n)
{
#ifdef TUNEMILL_SSE2
    __m128 sums[4] = {_mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps()};
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        sums[0] = _mm_add_ps(sums[0], _mm_mul_ps(_mm_loadu_ps(a + i), _mm_loadu_ps(b + i)));
        sums[1] = _mm_add_ps(sums[1], _mm_mul_ps(_mm_loadu_ps(a + i + 4), _mm_loadu_ps(b + i + 4)));
        sums[2] = _mm_add_ps(sums[2], _mm_mul_ps(_mm_loadu_ps(a + i + 8), _mm_loadu_ps(b + i + 8)));
        sums[3] = _mm_add_ps(sums[3], _mm_mul_ps(_mm_loadu_ps(a + i + 12), _mm_loadu_ps(b + i + 12)));
    }
    for (int k = 0; i < n; i += 4, ++k)
        sums[k] = _mm_add_ps(sums[k], _mm_mul_ps(_mm_loadu_ps(a + i), _mm_loadu_ps(b + i)));
    float lanes[4];
    _mm_storeu_ps(lanes, _mm_add_ps(_mm_add_ps(sums[0], sums[1]), _mm_add_ps(sums[2], sums[3])));
    return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
#else
    float sums[4][4] = {};
    for (size_t i = 0; i < n; ++i)
        sums[(i / 4) % 4][i % 4] += a[i] * b[i];
    float lanes[4];
    for (int lane = 0; lane < 4; ++lane)
        lanes[lane] = (sums[0][lane] + sums[1][lane]) + (sums[2][lane] + sums[3][lane]);
    return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
#endif
}

// The taps of the last rates asked for: conversions one after another at the
// same rates work them out once.
struct Cached {
    uint64_t inRate = 0, outRate = 0;
    std::shared_ptr<const std::vector<float>> table;
};
std::mutex gCacheMutex;
Cached gCache;

}  // namespace

PolyphaseStage::PolyphaseStage(uint64_t inRate, uint64_t outRate) : window_(0)
{
    const uint64_t divisor = Gcd(inRate, outRate);
    phases_ = outRate / divisor;
    stepWhole_ = inRate / divisor / phases_;
    stepRest_ = inRate / divisor % phases_;
    const double ratio = inRate > outRate ? static_cast<double>(inRate) / static_cast<double>(outRate) : 1.0;
    reach_ = static_cast<int64_t>(std::ceil(kHalfLengthPeriods * ratio));
    taps_ = static_cast<size_t>((2 * reach_ + 3) / 4 * 4);
    exact_ = phases_ <= kMaxExactPhases;
    const uint64_t reducedIn = inRate / divisor, reducedOut = outRate / divisor;
    {
        std::lock_guard<std::mutex> lock(gCacheMutex);
        if (gCache.table && gCache.inRate == reducedIn && gCache.outRate == reducedOut)
            tableOwner_ = gCache.table;
    }
    if (!tableOwner_) {
        const uint64_t rows = exact_ ? phases_ : kInterpolatedPhases + 1;
        std::shared_ptr<std::vector<float>> table(new std::vector<float>(static_cast<size_t>(rows) * taps_));
        for (uint64_t row = 0; row < rows; ++row) {
            const double fraction = static_cast<double>(row) / static_cast<double>(exact_ ? phases_ : kInterpolatedPhases);
            FillRow(fraction, ratio, &(*table)[static_cast<size_t>(row) * taps_]);
        }
        tableOwner_ = table;
        std::lock_guard<std::mutex> lock(gCacheMutex);
        gCache.inRate = reducedIn;
        gCache.outRate = reducedOut;
        gCache.table = tableOwner_;
    }
    table_ = tableOwner_->data();
    // Output 0 reads from input -(reach - 1) on.
    window_ = SampleWindow(static_cast<size_t>(reach_ - 1));
}

void PolyphaseStage::End(uint64_t total)
{
    window_.Hold(taps_);
    total_ = total;
}

void PolyphaseStage::Produce(std::vector<int16_t>& out, size_t most)
{
    filtered_.clear();
    for (size_t made = 0; made < most && produced_ < total_; ++made) {
        const int64_t first = static_cast<int64_t>(whole_) - reach_ + 1;
        if (first + static_cast<int64_t>(taps_) > window_.End())
            break;
        const float* x = window_.At(first);
        float y;
        if (exact_) {
            y = Dot(table_ + static_cast<size_t>(remainder_) * taps_, x, taps_);
        } else {
            const uint64_t scaled = remainder_ * kInterpolatedPhases;
            const size_t row = static_cast<size_t>(scaled / phases_);
            const float part = static_cast<float>(static_cast<double>(scaled % phases_) / static_cast<double>(phases_));
            const float before = Dot(table_ + row * taps_, x, taps_);
            const float after = Dot(table_ + (row + 1) * taps_, x, taps_);
            y = before + part * (after - before);
        }
        filtered_.push_back(y);
        ++produced_;
        whole_ += stepWhole_;
        remainder_ += stepRest_;
        if (remainder_ >= phases_) {
            remainder_ -= phases_;
            ++whole_;
        }
    }
    const size_t start = out.size();
    out.resize(start + filtered_.size());
    RoundToSamples(filtered_.data(), filtered_.size(), &out[start]);
    window_.DropBefore(static_cast<int64_t>(whole_) - reach_ + 1);
}

// Tap k multiplies input floor(position) - reach + 1 + k; the taps are scaled
// to sum to 1, so a constant stays exactly constant.
void PolyphaseStage::FillRow(double fraction, double ratio, float* row) const
{
    std::vector<double> taps(taps_);
    double sum = 0.0;
    for (size_t k = 0; k < taps_; ++k) {
        taps[k] = LowPassResponse(fraction + static_cast<double>(reach_ - 1) - static_cast<double>(k), ratio);
        sum += taps[k];
    }
    for (size_t k = 0; k < taps_; ++k)
        row[k] = static_cast<float>(taps[k] / sum);
}

}  // namespace tunemill

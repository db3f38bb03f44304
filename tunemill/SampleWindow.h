// The samples of a stream that one of the resampler's filters still needs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Simd.h"

namespace tunemill {

// The samples of a stream that a filter still needs, addressed by their index
// in the stream, as floats. The first sample is also repeated `lead` times
// ahead of it (indices -lead ... -1), and Hold repeats the last one at the end.
class SampleWindow {
public:
    explicit SampleWindow(size_t lead) : lead_(lead) {}

    void Append(const int16_t* in, size_t n)
    {
        if (n == 0)
            return;
        Start(in[0]);
        const size_t at = samples_.size();
        samples_.resize(at + n);
        float* out = samples_.data() + at;
        size_t i = 0;
#ifdef TUNEMILL_SSE2
        for (; i + 8 <= n; i += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            _mm_storeu_ps(out + i, _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16)));
            _mm_storeu_ps(out + i + 4, _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16)));
        }
#endif
        for (; i < n; ++i)
            out[i] = static_cast<float>(in[i]);
        received_ += n;
    }
    void Append(const float* in, size_t n)
    {
        if (n == 0)
            return;
        Start(in[0]);
        samples_.insert(samples_.end(), in, in + n);
        received_ += n;
    }
    void Hold(size_t n)
    {
        if (received_ != 0)
            samples_.insert(samples_.end(), n, samples_.back());
    }
    uint64_t Received() const { return received_; }
    // One past the index of the last sample held.
    int64_t End() const { return first_ + static_cast<int64_t>(samples_.size()); }
    const float* At(int64_t index) const { return samples_.data() + static_cast<ptrdiff_t>(index - first_); }
    // Forgets the samples before `index` once they are at least half of those held.
    void DropBefore(int64_t index)
    {
        const int64_t drop = index - first_;
        if (drop > 0 && static_cast<size_t>(drop) * 2 >= samples_.size()) {
            samples_.erase(samples_.begin(), samples_.begin() + static_cast<ptrdiff_t>(drop));
            first_ = index;
        }
    }

private:
    template <typename Sample>
    void Start(Sample firstSample)
    {
        if (received_ == 0) {
            samples_.assign(lead_, static_cast<float>(firstSample));
            first_ = -static_cast<int64_t>(lead_);
        }
    }

    size_t lead_;
    std::vector<float> samples_;
    int64_t first_ = 0;
    uint64_t received_ = 0;
};

}  // namespace tunemill

// The samples of a stream that one of the resampler's filters still needs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tunemill {

// The samples of a stream that a filter still needs, addressed by their index
// in the stream. The first sample is also repeated `lead` times ahead of it
// (indices -lead ... -1), and Hold repeats the last one at the end.
class SampleWindow {
public:
    explicit SampleWindow(size_t lead) : lead_(lead) {}

    template <typename Sample>
    void Append(const Sample* in, size_t n)
    {
        if (n == 0)
            return;
        if (received_ == 0) {
            samples_.assign(lead_, static_cast<float>(in[0]));
            first_ = -static_cast<int64_t>(lead_);
        }
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
    size_t lead_;
    std::vector<float> samples_;
    int64_t first_ = 0;
    uint64_t received_ = 0;
};

}  // namespace tunemill

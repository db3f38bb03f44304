#include "Resample.h"

#include "FilterDesign.h"

#include <cmath>

#if defined(__SSE__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 1)
#include <xmmintrin.h>
#define TUNEMILL_SSE 1
#endif

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

// The sum of a[i] × b[i] for n a multiple of 4, kept in eight running sums
// (i mod 8) that are added pairwise at the end; the plain form below adds in
// exactly the same order, so both give the same bits.
float Dot(const float* a, const float* b, size_t n)
{
#ifdef TUNEMILL_SSE
    __m128 low = _mm_setzero_ps(), high = _mm_setzero_ps();
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        low = _mm_add_ps(low, _mm_mul_ps(_mm_loadu_ps(a + i), _mm_loadu_ps(b + i)));
        high = _mm_add_ps(high, _mm_mul_ps(_mm_loadu_ps(a + i + 4), _mm_loadu_ps(b + i + 4)));
    }
    if (i < n)
        low = _mm_add_ps(low, _mm_mul_ps(_mm_loadu_ps(a + i), _mm_loadu_ps(b + i)));
    float lanes[4];
    _mm_storeu_ps(lanes, _mm_add_ps(low, high));
    return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
#else
    float low[4] = {0, 0, 0, 0}, high[4] = {0, 0, 0, 0};
    size_t i = 0;
    for (; i + 8 <= n; i += 8)
        for (int lane = 0; lane < 4; ++lane) {
            low[lane] += a[i + lane] * b[i + lane];
            high[lane] += a[i + 4 + lane] * b[i + 4 + lane];
        }
    if (i < n)
        for (int lane = 0; lane < 4; ++lane)
            low[lane] += a[i + lane] * b[i + lane];
    float lanes[4];
    for (int lane = 0; lane < 4; ++lane)
        lanes[lane] = low[lane] + high[lane];
    return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
#endif
}

}  // namespace

int16_t RoundToSample(float value)
{
    const double v = value;
    if (v >= 32767.0)
        return 32767;
    if (v <= -32768.0)
        return -32768;
    const long rounded = v >= 0 ? static_cast<long>(v + 0.5) : -static_cast<long>(-v + 0.5);
    return static_cast<int16_t>(rounded);
}

namespace {

// The samples of a stream that a filter still needs, addressed by their index
// in the stream. The first sample is also repeated `lead` times ahead of it
// (indices -lead ... -1), and Hold repeats the last one at the end.
class SampleWindow {
public:
    explicit SampleWindow(size_t lead) : lead_(lead) {}

    void Append(const float* in, size_t n)
    {
        if (n == 0)
            return;
        if (received_ == 0) {
            samples_.assign(lead_, in[0]);
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
    const float* At(int64_t index) const { return samples_.data() + (index - first_); }
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

// Halves the rate: output m is the half-band filter centred on input 2m.
class HalvingStage {
public:
    HalvingStage() : window_(kHalvingReach), taps_(HalvingTaps()) {}

    void Push(const float* in, size_t n, std::vector<float>& out)
    {
        window_.Append(in, n);
        Produce(out);
    }
    // Output m exists for every input 2m.
    void Finish(std::vector<float>& out)
    {
        window_.Hold(kHalvingReach);
        Produce(out);
    }

private:
    void Produce(std::vector<float>& out)
    {
        const int reach = kHalvingReach;
        for (;;) {
            const int64_t centre = 2 * next_;
            if (centre + reach >= window_.End() || static_cast<uint64_t>(centre) >= window_.Received())
                break;
            const float* x = window_.At(centre - reach);
            // A half-band filter is 0 at every even distance from its centre.
            float sum = taps_[reach] * x[reach];
            for (int k = 1; k <= reach; k += 2)
                sum += taps_[reach + k] * (x[reach - k] + x[reach + k]);
            out.push_back(sum);
            ++next_;
        }
        window_.DropBefore(2 * next_ - reach);
    }

    SampleWindow window_;
    std::vector<float> taps_;
    int64_t next_ = 0;
};

// From inRate to outRate through the windowed-sinc low-pass: output i is taken
// at input position i × inRate / outRate, kept as a whole part and a remainder
// in units of 1 / phases.
class PolyphaseStage {
public:
    PolyphaseStage(uint64_t inRate, uint64_t outRate) : window_(0)
    {
        const uint64_t divisor = Gcd(inRate, outRate);
        step_ = inRate / divisor;
        phases_ = outRate / divisor;
        const double ratio = inRate > outRate ? static_cast<double>(inRate) / static_cast<double>(outRate) : 1.0;
        reach_ = static_cast<int64_t>(std::ceil(kHalfLengthPeriods * ratio));
        taps_ = static_cast<size_t>((2 * reach_ + 3) / 4 * 4);
        exact_ = phases_ <= kMaxExactPhases;
        const uint64_t rows = exact_ ? phases_ : kInterpolatedPhases + 1;
        table_.resize(static_cast<size_t>(rows) * taps_);
        for (uint64_t row = 0; row < rows; ++row) {
            const double fraction = static_cast<double>(row) / static_cast<double>(exact_ ? phases_ : kInterpolatedPhases);
            FillRow(fraction, ratio, &table_[static_cast<size_t>(row) * taps_]);
        }
        window_ = SampleWindow(static_cast<size_t>(reach_ - 1));
    }

    void Push(const float* in, size_t n, std::vector<float>& out)
    {
        window_.Append(in, n);
        Produce(out, UINT64_MAX);
    }
    void Finish(std::vector<float>& out, uint64_t total)
    {
        window_.Hold(taps_);
        Produce(out, total);
    }

private:
    // Tap k multiplies input floor(position) - reach + 1 + k; the taps are
    // scaled to sum to 1, so a constant stays exactly constant.
    void FillRow(double fraction, double ratio, float* row) const
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

    void Produce(std::vector<float>& out, uint64_t total)
    {
        while (produced_ < total) {
            const int64_t first = static_cast<int64_t>(whole_) - reach_ + 1;
            if (first + static_cast<int64_t>(taps_) > window_.End())
                break;
            const float* x = window_.At(first);
            float y;
            if (exact_) {
                y = Dot(&table_[static_cast<size_t>(remainder_) * taps_], x, taps_);
            } else {
                const uint64_t scaled = remainder_ * kInterpolatedPhases;
                const size_t row = static_cast<size_t>(scaled / phases_);
                const float part = static_cast<float>(static_cast<double>(scaled % phases_) / static_cast<double>(phases_));
                const float before = Dot(&table_[row * taps_], x, taps_);
                const float after = Dot(&table_[(row + 1) * taps_], x, taps_);
                y = before + part * (after - before);
            }
            out.push_back(y);
            ++produced_;
            remainder_ += step_;
            whole_ += remainder_ / phases_;
            remainder_ %= phases_;
        }
        window_.DropBefore(static_cast<int64_t>(whole_) - reach_ + 1);
    }

    SampleWindow window_;
    uint64_t step_ = 1, phases_ = 1;
    int64_t reach_ = 0;
    size_t taps_ = 0;
    bool exact_ = true;
    std::vector<float> table_;
    uint64_t produced_ = 0, whole_ = 0, remainder_ = 0;
};

}  // namespace

uint64_t ResampledLength(uint64_t n, unsigned fromRate, unsigned toRate)
{
    if (fromRate == 0 || toRate == 0)
        return 0;
    return (n * toRate + fromRate / 2) / fromRate;
}

class Resampler::Impl {
public:
    Impl(unsigned fromRate, unsigned toRate) : from_(fromRate), to_(toRate)
    {
        if (fromRate == 0 || toRate == 0 || fromRate == toRate)
            return;
        unsigned halvings = 0;
        while (static_cast<uint64_t>(fromRate) >= (static_cast<uint64_t>(toRate) << (halvings + 3)))
            ++halvings;
        halvings_.resize(halvings);
        polyphase_.reset(new PolyphaseStage(fromRate, static_cast<uint64_t>(toRate) << halvings));
    }

    void Push(const int16_t* samples, size_t count, std::vector<int16_t>& out)
    {
        received_ += count;
        if (from_ == 0 || to_ == 0)
            return;
        if (!polyphase_) {
            out.insert(out.end(), samples, samples + count);
            return;
        }
        a_.assign(samples, samples + count);
        for (HalvingStage& stage : halvings_) {
            b_.clear();
            stage.Push(a_.data(), a_.size(), b_);
            a_.swap(b_);
        }
        b_.clear();
        polyphase_->Push(a_.data(), a_.size(), b_);
        Emit(out);
    }

    void Finish(std::vector<int16_t>& out)
    {
        if (!polyphase_)
            return;
        a_.clear();
        for (HalvingStage& stage : halvings_) {
            b_.clear();
            stage.Push(a_.data(), a_.size(), b_);
            stage.Finish(b_);
            a_.swap(b_);
        }
        b_.clear();
        polyphase_->Push(a_.data(), a_.size(), b_);
        polyphase_->Finish(b_, ResampledLength(received_, from_, to_));
        Emit(out);
    }

private:
    void Emit(std::vector<int16_t>& out)
    {
        for (float y : b_)
            out.push_back(RoundToSample(y));
    }

    unsigned from_, to_;
    uint64_t received_ = 0;
    std::vector<HalvingStage> halvings_;
    std::unique_ptr<PolyphaseStage> polyphase_;
    std::vector<float> a_, b_;
};

Resampler::Resampler(unsigned fromRate, unsigned toRate) : impl_(new Impl(fromRate, toRate)) {}

Resampler::~Resampler() = default;

void Resampler::Push(const int16_t* samples, size_t count, std::vector<int16_t>& out)
{
    impl_->Push(samples, count, out);
}

void Resampler::Finish(std::vector<int16_t>& out)
{
    impl_->Finish(out);
}

std::vector<int16_t> Resample(const std::vector<int16_t>& in, unsigned fromRate, unsigned toRate)
{
    std::vector<int16_t> out;
    Resampler resampler(fromRate, toRate);
    resampler.Push(in.data(), in.size(), out);
    resampler.Finish(out);
    return out;
}

}  // namespace tunemill

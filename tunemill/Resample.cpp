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

// The sum of a[i] x b[i] for n a multiple of 4, kept in sixteen running sums
// (i mod 16) that are added pairwise at the end; the plain form below adds in
// exactly the same order, so both give the same bits.
float Dot(const float* a, const float* b, size_t n)
{
#ifdef TUNEMILL_SSE
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

// Halves the rate: output m is the half-band filter centred on input 2m.
class HalvingStage {
public:
    HalvingStage() : window_(kHalvingReach), taps_(HalvingTaps()) {}

    template <typename Sample>
    void Push(const Sample* in, size_t n, std::vector<float>& out)
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
    // Makes every output m whose taps are all held: 2m + reach within the
    // window, and 2m within the input proper.
    void Produce(std::vector<float>& out)
    {
        const int reach = kHalvingReach;
        int64_t limit = window_.End() - reach;  // 2m < limit
        if (limit > static_cast<int64_t>(window_.Received()))
            limit = static_cast<int64_t>(window_.Received());
        const int64_t count = limit > 2 * next_ ? (limit + 1) / 2 - next_ : 0;
        const size_t start = out.size();
        out.resize(start + static_cast<size_t>(count));
        // A half-band filter is 0 at every even distance from its centre.
        const float centre = taps_[reach];
        float odd[(kHalvingReach + 1) / 2];
        for (int k = 1; k <= reach; k += 2)
            odd[k / 2] = taps_[reach + k];
        for (int64_t i = 0; i < count; ++i) {
            const float* x = window_.At(2 * (next_ + i));
            float sum = centre * x[0];
            for (int k = 1; k <= reach; k += 2)
                sum += odd[k / 2] * (x[-k] + x[k]);
            out[start + static_cast<size_t>(i)] = sum;
        }
        next_ += count;
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
        phases_ = outRate / divisor;
        stepWhole_ = inRate / divisor / phases_;
        stepRest_ = inRate / divisor % phases_;
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

    template <typename Sample>
    void Append(const Sample* in, size_t n)
    {
        window_.Append(in, n);
    }
    // The input has ended after `total` outputs' worth.
    void End(uint64_t total)
    {
        window_.Hold(taps_);
        total_ = total;
    }

    // Appends up to `most` outputs, as samples; fewer when the input runs out.
    void Produce(std::vector<int16_t>& out, size_t most)
    {
        for (size_t made = 0; made < most && produced_ < total_; ++made) {
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
            out.push_back(RoundToSample(y));
            ++produced_;
            whole_ += stepWhole_;
            remainder_ += stepRest_;
            if (remainder_ >= phases_) {
                remainder_ -= phases_;
                ++whole_;
            }
        }
        window_.DropBefore(static_cast<int64_t>(whole_) - reach_ + 1);
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

    SampleWindow window_;
    uint64_t stepWhole_ = 0, stepRest_ = 0, phases_ = 1;  // the step in 1 / phases
    int64_t reach_ = 0;
    size_t taps_ = 0;
    bool exact_ = true;
    std::vector<float> table_;
    uint64_t produced_ = 0, whole_ = 0, remainder_ = 0, total_ = UINT64_MAX;
};

// Collects a resampler's output in a vector.
class Collector : public ResampledSink {
public:
    explicit Collector(std::vector<int16_t>& out) : out_(out) {}
    bool TakeResampled(const int16_t* samples, size_t count) override
    {
        out_.insert(out_.end(), samples, samples + count);
        return true;
    }

private:
    std::vector<int16_t>& out_;
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
        while (static_cast<uint64_t>(fromRate) >= (static_cast<uint64_t>(toRate) << (halvings + 2)))
            ++halvings;
        halvings_.resize(halvings);
        polyphase_.reset(new PolyphaseStage(fromRate, static_cast<uint64_t>(toRate) << halvings));
    }

    bool Push(const int16_t* samples, size_t count, ResampledSink& sink)
    {
        received_ += count;
        if (from_ == 0 || to_ == 0)
            return true;
        if (!polyphase_) {
            for (size_t done = 0; done < count;) {
                const size_t n = count - done < kResampledPiece ? count - done : kResampledPiece;
                if (!sink.TakeResampled(samples + done, n))
                    return false;
                done += n;
            }
            return true;
        }
        if (halvings_.empty()) {
            polyphase_->Append(samples, count);
        } else {
            a_.clear();
            halvings_[0].Push(samples, count, a_);
            for (size_t i = 1; i < halvings_.size(); ++i) {
                b_.clear();
                halvings_[i].Push(a_.data(), a_.size(), b_);
                a_.swap(b_);
            }
            polyphase_->Append(a_.data(), a_.size());
        }
        return Emit(sink);
    }

    bool Finish(ResampledSink& sink)
    {
        if (!polyphase_)
            return true;
        a_.clear();
        for (HalvingStage& stage : halvings_) {
            b_.clear();
            stage.Push(a_.data(), a_.size(), b_);
            stage.Finish(b_);
            a_.swap(b_);
        }
        polyphase_->Append(a_.data(), a_.size());
        polyphase_->End(ResampledLength(received_, from_, to_));
        return Emit(sink);
    }

private:
    // Hands over everything the polyphase stage can make, a piece at a time.
    bool Emit(ResampledSink& sink)
    {
        for (;;) {
            out_.clear();
            polyphase_->Produce(out_, kResampledPiece);
            if (out_.empty())
                return true;
            if (!sink.TakeResampled(out_.data(), out_.size()))
                return false;
        }
    }

    unsigned from_, to_;
    uint64_t received_ = 0;
    std::vector<HalvingStage> halvings_;
    std::unique_ptr<PolyphaseStage> polyphase_;
    std::vector<float> a_, b_;
    std::vector<int16_t> out_;
};

Resampler::Resampler(unsigned fromRate, unsigned toRate) : impl_(new Impl(fromRate, toRate)) {}

Resampler::~Resampler() = default;

bool Resampler::Push(const int16_t* samples, size_t count, ResampledSink& sink)
{
    return impl_->Push(samples, count, sink);
}

bool Resampler::Finish(ResampledSink& sink)
{
    return impl_->Finish(sink);
}

void Resampler::Push(const int16_t* samples, size_t count, std::vector<int16_t>& out)
{
    Collector collector(out);
    impl_->Push(samples, count, collector);
}

void Resampler::Finish(std::vector<int16_t>& out)
{
    Collector collector(out);
    impl_->Finish(collector);
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

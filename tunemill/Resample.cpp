#include "Resample.h"

#include "FilterDesign.h"
#include "HalvingStage.h"
#include "PolyphaseStage.h"
#include "Simd.h"

namespace tunemill {

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

void RoundToSamples(const float* values, size_t count, int16_t* samples)
{
    size_t i = 0;
#ifdef TUNEMILL_SSE2
    // Clipped first, then half added away from zero and cut toward zero
    // (exact in floats at these magnitudes), as RoundToSample.
    const __m128 high = _mm_set1_ps(32767.0f), low = _mm_set1_ps(-32768.0f), half = _mm_set1_ps(0.5f);
    const __m128 sign = _mm_set1_ps(-0.0f);
    for (; i + 8 <= count; i += 8) {
        __m128 a = _mm_max_ps(_mm_min_ps(_mm_loadu_ps(values + i), high), low);
        __m128 b = _mm_max_ps(_mm_min_ps(_mm_loadu_ps(values + i + 4), high), low);
        a = _mm_add_ps(a, _mm_or_ps(half, _mm_and_ps(a, sign)));
        b = _mm_add_ps(b, _mm_or_ps(half, _mm_and_ps(b, sign)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(samples + i), _mm_packs_epi32(_mm_cvttps_epi32(a), _mm_cvttps_epi32(b)));
    }
#endif
    for (; i < count; ++i)
        samples[i] = RoundToSample(values[i]);
}

namespace {

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
        while (10 * static_cast<uint64_t>(fromRate) >=
               (static_cast<uint64_t>(kHalvingMarginTenths) * toRate) << (halvings + 1))
            ++halvings;
        for (unsigned i = 0; i < halvings; ++i)
            halvings_.emplace_back(i + 1 == halvings ? kLastHalvingReach : kEarlyHalvingReach);
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

#include "Resample.h"

namespace tunemill {

size_t ResampledLength(size_t n, unsigned fromRate, unsigned toRate)
{
    if (fromRate == 0 || toRate == 0)
        return 0;
    return static_cast<size_t>((static_cast<uint64_t>(n) * toRate + fromRate / 2) / fromRate);
}

std::vector<int16_t> ResampleLinear(const std::vector<int16_t>& in, unsigned fromRate,
                                    unsigned toRate)
{
    const size_t length = ResampledLength(in.size(), fromRate, toRate);
    std::vector<int16_t> out(length);
    if (length == 0)
        return out;
    const uint64_t last = in.size() - 1;
    for (size_t i = 0; i < length; ++i) {
        const uint64_t position = static_cast<uint64_t>(i) * fromRate;
        const uint64_t index = position / toRate;
        const int64_t fraction = static_cast<int64_t>(position % toRate);
        const int64_t a = in[static_cast<size_t>(index < last ? index : last)];
        const int64_t b = in[static_cast<size_t>(index + 1 < last ? index + 1 : last)];
        const int64_t weighted = a * (toRate - fraction) + b * fraction;
        const int64_t half = toRate / 2;
        const int64_t value = weighted >= 0 ? (weighted + half) / toRate : -((-weighted + half) / toRate);
        out[i] = static_cast<int16_t>(value);
    }
    return out;
}

}  // namespace tunemill

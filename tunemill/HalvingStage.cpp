#include "HalvingStage.h"

namespace tunemill {

// Makes every output m whose taps are all held: 2m + reach within the
// window, and 2m within the input proper.
void HalvingStage::Produce(std::vector<float>& out)
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

}  // namespace tunemill

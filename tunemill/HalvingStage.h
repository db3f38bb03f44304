// One halving of the rate for the resampler: output m is the half-band filter
// (see FilterDesign.h) centred on input 2m.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FilterDesign.h"
#include "SampleWindow.h"

namespace tunemill {

class HalvingStage {
public:
    // A filter of 2 × reach + 1 taps; reach is odd.
    explicit HalvingStage(int reach) : reach_(reach), window_(static_cast<size_t>(reach)), taps_(HalvingTaps(reach)) {}

    template <typename Sample>
    void Push(const Sample* in, size_t n, std::vector<float>& out)
    {
        window_.Append(in, n);
        Produce(out);
    }
    // Output m exists for every input 2m.
    void Finish(std::vector<float>& out)
    {
        window_.Hold(static_cast<size_t>(reach_));
        Produce(out);
    }

private:
    void Produce(std::vector<float>& out);
    void Filter(int64_t first, size_t count, float* out);

    int reach_;
    SampleWindow window_;
    std::vector<float> taps_;
    std::vector<float> even_, odd_;
    int64_t next_ = 0;
};

}  // namespace tunemill

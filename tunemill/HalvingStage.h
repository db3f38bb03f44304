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
    void Produce(std::vector<float>& out);

    SampleWindow window_;
    std::vector<float> taps_;
    int64_t next_ = 0;
};

}  // namespace tunemill

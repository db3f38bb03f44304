// The resampler's rate change proper: from inRate to outRate through the
// windowed-sinc low-pass (see FilterDesign.h) evaluated at each output's exact
// position. Output i is taken at input position i x inRate / outRate, kept as a
// whole part and a remainder in units of 1 / phases; the taps of every phase
// are worked out once (or of kInterpolatedPhases phases, interpolated, when
// there are too many), and kept for the next stage of the same rates.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "SampleWindow.h"

namespace tunemill {

class PolyphaseStage {
public:
    PolyphaseStage(uint64_t inRate, uint64_t outRate);

    template <typename Sample>
    void Append(const Sample* in, size_t n)
    {
        window_.Append(in, n);
    }
    // The input has ended; `total` outputs are to be made in all.
    void End(uint64_t total);
    // Appends up to `most` outputs, rounded to samples; fewer when the input
    // runs out.
    void Produce(std::vector<int16_t>& out, size_t most);

private:
    void FillRow(double fraction, double ratio, float* row) const;

    SampleWindow window_;
    uint64_t stepWhole_ = 0, stepRest_ = 0, phases_ = 1;  // the step in 1 / phases
    int64_t reach_ = 0;
    size_t taps_ = 0;
    bool exact_ = true;
    // The taps of every phase (kept with the last rates asked for).
    std::shared_ptr<const std::vector<float>> tableOwner_;
    const float* table_ = nullptr;
    std::vector<float> filtered_;
    uint64_t produced_ = 0, whole_ = 0, remainder_ = 0, total_ = UINT64_MAX;
};

}  // namespace tunemill

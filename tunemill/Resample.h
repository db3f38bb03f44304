// Sample-rate conversion of mono 16-bit audio by linear interpolation.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tunemill {

// Length of n samples at fromRate once converted to toRate:
// round(n × toRate / fromRate), halves rounded up. 0 when a rate is 0.
size_t ResampledLength(size_t n, unsigned fromRate, unsigned toRate);

// Output sample i is read at source position i × fromRate / toRate, between the
// two neighbouring input samples, weighted by the exact fraction and rounded to
// the nearest integer (halves away from zero); positions past the last input
// sample repeat it. There is no low-pass filter: above-Nyquist content folds
// back when the rate goes down. Equal rates return the input unchanged.
std::vector<int16_t> ResampleLinear(const std::vector<int16_t>& in, unsigned fromRate,
                                    unsigned toRate);

}  // namespace tunemill

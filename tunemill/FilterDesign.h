// The resampler's low-pass filters: sinc functions shaped by a Kaiser window.
// Pure arithmetic, no state.
#pragma once
#include <vector>

namespace tunemill {

// Shape of the Kaiser window of every filter (about 85 dB of stop-band
// attenuation for the lengths below).
const double kKaiserBeta = 8.5;
// Cut-off (-6 dB) of the rate-changing filter, as a fraction of the lower of
// the two rates; the pass band reaches 0.4 and the stop band starts at 0.5.
const double kCutoff = 0.45;
// Half-length of the rate-changing filter in periods of the lower rate.
const double kHalfLengthPeriods = 27.0;
// Half-length of the halving filter in input samples.
const int kHalvingReach = 12;

// The modified Bessel function of the first kind, order 0.
double BesselI0(double x);

// The Kaiser window at x in [-1, 1] (1 at the centre); 0 outside.
double KaiserWindow(double x);

// The rate-changing filter's impulse response at time t, in samples of its
// input, for an input rate `ratio` times the lower of the two rates (1 when
// the rate goes up): 2fc × sinc(2fc × t) × window(t / half-length), with
// fc = kCutoff / ratio cycles per sample and a half-length of
// kHalfLengthPeriods × ratio samples.
double LowPassResponse(double t, double ratio);

// The halving filter: a half-band low-pass (cut-off at a quarter of its input
// rate) of 2 × kHalvingReach + 1 taps, centre in the middle, summing to 1.
std::vector<float> HalvingTaps();

}  // namespace tunemill

// The resampler's low-pass filters: sinc functions shaped by Kaiser windows.
// Pure arithmetic, no state.
#pragma once
#include <vector>

namespace tunemill {

// The rate-changing filter, relative to the lower of the two rates: within
// 0.1 dB up to 0.45 (−0.06 dB there), at least 92 dB down from 0.5. Cut-off
// (−6 dB) at kCutoff, half-length kHalfLengthPeriods periods of the lower
// rate, Kaiser window of shape kKaiserBeta.
const double kCutoff = 0.471;
const double kHalfLengthPeriods = 52.0;
const double kKaiserBeta = 9.2;

// The halvings before it: half-band filters (cut-off at a quarter of their
// input rate) of 2 × reach + 1 taps under a Kaiser window of shape
// kHalvingBeta reaching one tap further. The last halving, whose output goes
// to the rate-changing filter, has kLastHalvingReach: flat within 0.0002 dB up
// to 0.173 of its input rate, at least 99 dB down from 0.308. The halvings
// before it have kEarlyHalvingReach: flat within 0.0003 dB up to 0.087, at
// least 97 dB down from 0.404. (Those are the parts of their bands that end up
// in the output's pass band, and those that would fold into its band.)
const int kLastHalvingReach = 27;
const int kEarlyHalvingReach = 11;
const double kHalvingBeta = 10.0;
// The rate is halved as long as the halved rate stays at least
// kHalvingMarginTenths / 10 of the target rate.
const unsigned kHalvingMarginTenths = 13;

// The modified Bessel function of the first kind, order 0.
double BesselI0(double x);

// The Kaiser window of shape `beta` at x in [-1, 1] (1 at the centre); 0 outside.
double KaiserWindow(double x, double beta);

// The rate-changing filter's impulse response at time t, in samples of its
// input, for an input rate `ratio` times the lower of the two rates (1 when
// the rate goes up): 2fc × sinc(2fc × t) × window(t / half-length), with
// fc = kCutoff / ratio cycles per sample and a half-length of
// kHalfLengthPeriods × ratio samples.
double LowPassResponse(double t, double ratio);

// A halving filter of 2 × reach + 1 taps, centre in the middle, summing to 1:
// 0.5 × sinc(k / 2) × window(k / (reach + 1)).
std::vector<float> HalvingTaps(int reach);

}  // namespace tunemill

#include "FilterDesign.h"

#include <cmath>

namespace tunemill {

namespace {

const double kPi = 3.14159265358979323846;

double Sinc(double x)
{
    return x == 0.0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
}

}  // namespace

double BesselI0(double x)
{
    // The power series sum of ((x/2)^k / k!)^2 converges quickly for the
    // arguments used here (|x| <= 8.5).
    double sum = 1.0, term = 1.0;
    const double half = x / 2.0;
    for (int k = 1; k < 100; ++k) {
        term *= (half / k) * (half / k);
        sum += term;
        if (term < sum * 1e-17)
            break;
    }
    return sum;
}

double KaiserWindow(double x)
{
    if (x <= -1.0 || x >= 1.0)
        return 0.0;
    static const double scale = 1.0 / BesselI0(kKaiserBeta);
    return BesselI0(kKaiserBeta * std::sqrt(1.0 - x * x)) * scale;
}

double LowPassResponse(double t, double ratio)
{
    const double fc = kCutoff / ratio;
    return 2.0 * fc * Sinc(2.0 * fc * t) * KaiserWindow(t / (kHalfLengthPeriods * ratio));
}

std::vector<float> HalvingTaps()
{
    std::vector<double> taps(2 * kHalvingReach + 1);
    double sum = 0.0;
    for (int k = -kHalvingReach; k <= kHalvingReach; ++k) {
        const double tap = 0.5 * Sinc(0.5 * k) * KaiserWindow(static_cast<double>(k) / kHalvingReach);
        taps[static_cast<size_t>(k + kHalvingReach)] = tap;
        sum += tap;
    }
    std::vector<float> out(taps.size());
    for (size_t i = 0; i < taps.size(); ++i)
        out[i] = static_cast<float>(taps[i] / sum);
    return out;
}

}  // namespace tunemill

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
    // arguments used here (|x| <= 10).
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

double KaiserWindow(double x, double beta)
{
    if (x <= -1.0 || x >= 1.0)
        return 0.0;
    return BesselI0(beta * std::sqrt(1.0 - x * x)) / BesselI0(beta);
}

double LowPassResponse(double t, double ratio)
{
    const double fc = kCutoff / ratio;
    return 2.0 * fc * Sinc(2.0 * fc * t) * KaiserWindow(t / (kHalfLengthPeriods * ratio), kKaiserBeta);
}

std::vector<float> HalvingTaps(int reach)
{
    std::vector<double> taps(static_cast<size_t>(2 * reach + 1));
    double sum = 0.0;
    for (int k = -reach; k <= reach; ++k) {
        const double tap = 0.5 * Sinc(0.5 * k) * KaiserWindow(static_cast<double>(k) / (reach + 1), kHalvingBeta);
        taps[static_cast<size_t>(k + reach)] = tap;
        sum += tap;
    }
    std::vector<float> out(taps.size());
    for (size_t i = 0; i < taps.size(); ++i)
        out[i] = static_cast<float>(taps[i] / sum);
    return out;
}

}  // namespace tunemill

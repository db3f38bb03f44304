#include "RbfImage.h"

#include <algorithm>
#include <cmath>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define PICMILL_SSE2 1
#endif

namespace picmill {

namespace {

// Keys' cubic convolution kernel with a = -0.5.
double Cubic(double x)
{
    const double a = -0.5;
    x = std::fabs(x);
    if (x < 1.0)
        return ((a + 2.0) * x - (a + 3.0)) * x * x + 1.0;
    if (x < 2.0)
        return ((a * x - 5.0 * a) * x + 8.0 * a) * x - 4.0 * a;
    return 0.0;
}

// The kernel's integral from minus infinity to x: 0 up to -2, 1/2 at 0, 1 from 2.
double CubicIntegral(double x)
{
    const double u = std::fabs(x);
    double half;  // the integral from 0 to u
    if (u < 1.0)
        half = ((0.375 * u - 5.0 / 6.0) * u * u + 1.0) * u;
    else if (u < 2.0)
        half = 13.0 / 24.0 + ((((-0.125 * u + 5.0 / 6.0) * u - 2.0) * u + 2.0) * u - 17.0 / 24.0);
    else
        half = 0.5;
    return x < 0.0 ? 0.5 - half : 0.5 + half;
}

}  // namespace

// Enlarging (or keeping the size), each output is the cubic at its position
// in the input, the edge pixels repeated outward. Shrinking by a ratio r, the kernel is widened r times, and an
// input pixel's weight is the widened kernel integrated over the two pixel
// widths centred on it, halved: the average of the kernel over the pixel and
// its neighbours' halves. The weights of an output then sum to one exactly,
// whatever its position against the input grid, and an input alternating
// pixel by pixel adds up to nothing (each half of a pixel width counts once
// for each of the two pixels it lies between), so a fine pattern comes out as
// its mean, without a beat between the footprint and the grid; the picture is
// mirrored at its edges, so that this holds up to them.
std::vector<std::vector<Tap>> AxisTaps(unsigned inLength, unsigned outLength)
{
    std::vector<std::vector<Tap>> taps(outLength);
    const double ratio = static_cast<double>(inLength) / outLength;
    const bool shrinking = ratio > 1.0;
    const double widen = shrinking ? ratio : 1.0;
    const double reach = shrinking ? 2.0 * widen + 1.0 : 2.0;
    for (unsigned i = 0; i < outLength; ++i) {
        const double centre = (i + 0.5) * ratio - 0.5;
        const long first = static_cast<long>(std::ceil(centre - reach));
        const long last = static_cast<long>(std::floor(centre + reach));
        std::vector<double> weights;
        double sum = 0.0;
        for (long j = first; j <= last; ++j) {
            const double w = shrinking ? 0.5 * (CubicIntegral((j + 1 - centre) / widen) -
                                                CubicIntegral((j - 1 - centre) / widen))
                                       : Cubic(j - centre);
            weights.push_back(w);
            sum += w;
        }
        const long lastIndex = static_cast<long>(inLength) - 1;
        std::vector<std::pair<unsigned, double>> byIndex;
        for (long j = first; j <= last; ++j) {
            long k = j;
            if (shrinking) {
                // Mirrored about the edge pixels (period 2 × last index), so
                // that the picture's pattern goes on past its edges.
                const long period = 2 * lastIndex;
                k = ((k % period) + period) % period;
                if (k > lastIndex)
                    k = period - k;
            } else {
                k = k < 0 ? 0 : (k > lastIndex ? lastIndex : k);
            }
            byIndex.emplace_back(static_cast<unsigned>(k), weights[static_cast<size_t>(j - first)]);
        }
        // One tap for each input, in the order of the inputs (the rows are
        // read going down).
        std::stable_sort(byIndex.begin(), byIndex.end(),
                         [](const std::pair<unsigned, double>& a, const std::pair<unsigned, double>& b) {
                             return a.first < b.first;
                         });
        for (const auto& entry : byIndex) {
            if (!taps[i].empty() && taps[i].back().index == entry.first)
                taps[i].back().weight += static_cast<float>(entry.second / sum);
            else
                taps[i].push_back(Tap{entry.first, static_cast<float>(entry.second / sum)});
        }
    }
    return taps;
}

namespace {

// A filtered value as a byte. The sums carry the floats' rounding (about a
// ten-thousandth of a level), so the value is first taken to the nearest
// 1/1024 of a level: one exactly half-way between two levels (a fine
// pattern's mean can be) then rounds the same way wherever it lies.
uint8_t ToByte(float v)
{
    if (v <= 0.0f)
        return 0;
    if (v >= 255.0f)
        return 255;
    return static_cast<uint8_t>(std::floor(v * 1024.0f + 0.5f) / 1024.0f + 0.5f);
}

// A row of 32-bit pixels (blue, green, red, alpha bytes) as four floats each,
// in the same order, the colours multiplied by alpha / 255.
void Premultiply(const uint8_t* row, unsigned width, float* out)
{
    unsigned x = 0;
#ifdef PICMILL_SSE2
    const __m128i zero = _mm_setzero_si128();
    const __m128 full = _mm_set1_ps(255.0f);
    const __m128 keepAlpha = _mm_castsi128_ps(_mm_setr_epi32(0, 0, 0, -1));
    for (; x + 4 <= width; x += 4) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * static_cast<size_t>(x)));
        const __m128i low = _mm_unpacklo_epi8(bytes, zero), high = _mm_unpackhi_epi8(bytes, zero);
        const __m128i words[4] = {_mm_unpacklo_epi16(low, zero), _mm_unpackhi_epi16(low, zero),
                                  _mm_unpacklo_epi16(high, zero), _mm_unpackhi_epi16(high, zero)};
        for (int k = 0; k < 4; ++k) {
            const __m128 v = _mm_cvtepi32_ps(words[k]);
            const __m128 scale = _mm_div_ps(_mm_shuffle_ps(v, v, 0xFF), full);
            // The alpha lane is multiplied by 1.
            const __m128 factor = _mm_or_ps(_mm_andnot_ps(keepAlpha, scale), _mm_and_ps(keepAlpha, _mm_set1_ps(1.0f)));
            _mm_storeu_ps(out + 4 * (static_cast<size_t>(x) + static_cast<size_t>(k)), _mm_mul_ps(v, factor));
        }
    }
#endif
    for (; x < width; ++x) {
        const uint8_t* b = row + 4 * static_cast<size_t>(x);
        const float alpha = static_cast<float>(b[3]);
        const float scale = alpha / 255.0f;
        float* o = out + 4 * static_cast<size_t>(x);
        o[0] = static_cast<float>(b[0]) * scale;
        o[1] = static_cast<float>(b[1]) * scale;
        o[2] = static_cast<float>(b[2]) * scale;
        o[3] = alpha * 1.0f;
    }
}

// Output pixel i of a row: the sum over its taps, in their order, of the
// source's four floats times the tap's weight, each of the four lanes on its
// own.
void FilterAcross(const float* source, const std::vector<std::vector<Tap>>& across, float* out)
{
    const size_t count = across.size();
    size_t i = 0;
#ifdef PICMILL_SSE2
    // Two outputs at a time, each summed in its own order.
    for (; i + 2 <= count; i += 2) {
        const std::vector<Tap>& a = across[i];
        const std::vector<Tap>& b = across[i + 1];
        __m128 sa = _mm_setzero_ps(), sb = _mm_setzero_ps();
        const size_t both = a.size() < b.size() ? a.size() : b.size();
        size_t t = 0;
        for (; t < both; ++t) {
            sa = _mm_add_ps(sa, _mm_mul_ps(_mm_loadu_ps(source + 4 * static_cast<size_t>(a[t].index)), _mm_set1_ps(a[t].weight)));
            sb = _mm_add_ps(sb, _mm_mul_ps(_mm_loadu_ps(source + 4 * static_cast<size_t>(b[t].index)), _mm_set1_ps(b[t].weight)));
        }
        for (size_t u = t; u < a.size(); ++u)
            sa = _mm_add_ps(sa, _mm_mul_ps(_mm_loadu_ps(source + 4 * static_cast<size_t>(a[u].index)), _mm_set1_ps(a[u].weight)));
        for (size_t u = t; u < b.size(); ++u)
            sb = _mm_add_ps(sb, _mm_mul_ps(_mm_loadu_ps(source + 4 * static_cast<size_t>(b[u].index)), _mm_set1_ps(b[u].weight)));
        _mm_storeu_ps(out + 4 * i, sa);
        _mm_storeu_ps(out + 4 * i + 4, sb);
    }
#endif
    for (; i < count; ++i) {
        float sum[4] = {0, 0, 0, 0};
        for (const Tap& tap : across[i])
            for (int c = 0; c < 4; ++c)
                sum[c] += source[4 * static_cast<size_t>(tap.index) + static_cast<size_t>(c)] * tap.weight;
        for (int c = 0; c < 4; ++c)
            out[4 * i + static_cast<size_t>(c)] = sum[c];
    }
}

// Output pixel i of a row: the sum over the rows, in their order, of their
// pixel i times the row's weight.
void FilterDown(const std::vector<const float*>& inputs, const std::vector<Tap>& taps, unsigned width, float* out)
{
    const size_t floats = 4 * static_cast<size_t>(width);
    size_t f = 0;
#ifdef PICMILL_SSE2
    for (; f + 16 <= floats; f += 16) {
        __m128 s0 = _mm_setzero_ps(), s1 = _mm_setzero_ps(), s2 = _mm_setzero_ps(), s3 = _mm_setzero_ps();
        for (size_t t = 0; t < inputs.size(); ++t) {
            const __m128 w = _mm_set1_ps(taps[t].weight);
            const float* p = inputs[t] + f;
            s0 = _mm_add_ps(s0, _mm_mul_ps(_mm_loadu_ps(p), w));
            s1 = _mm_add_ps(s1, _mm_mul_ps(_mm_loadu_ps(p + 4), w));
            s2 = _mm_add_ps(s2, _mm_mul_ps(_mm_loadu_ps(p + 8), w));
            s3 = _mm_add_ps(s3, _mm_mul_ps(_mm_loadu_ps(p + 12), w));
        }
        _mm_storeu_ps(out + f, s0);
        _mm_storeu_ps(out + f + 4, s1);
        _mm_storeu_ps(out + f + 8, s2);
        _mm_storeu_ps(out + f + 12, s3);
    }
#endif
    for (; f < floats; ++f) {
        float sum = 0;
        for (size_t t = 0; t < inputs.size(); ++t)
            sum += inputs[t][f] * taps[t].weight;
        out[f] = sum;
    }
}

}  // namespace

Placement FitPicture(unsigned pictureWidth, unsigned pictureHeight, unsigned boxWidth,
                     unsigned boxHeight)
{
    Placement place;
    if (pictureWidth == 0 || pictureHeight == 0 || boxWidth == 0 || boxHeight == 0)
        return place;
    const uint64_t pw = pictureWidth, ph = pictureHeight, bw = boxWidth, bh = boxHeight;
    if (pw * bh >= ph * bw) {
        place.width = boxWidth;
        place.height = static_cast<unsigned>((ph * bw + pw / 2) / pw);
        if (place.height == 0)
            place.height = 1;
        place.y = (boxHeight - place.height) / 2;
    } else {
        place.height = boxHeight;
        place.width = static_cast<unsigned>((pw * bh + ph / 2) / ph);
        if (place.width == 0)
            place.width = 1;
        place.x = (boxWidth - place.width) / 2;
    }
    return place;
}

bool RenderOnBackground(unsigned pictureWidth, unsigned pictureHeight, PictureRows& rows,
                        unsigned boxWidth, unsigned boxHeight, Rgb background,
                        std::vector<uint8_t>& rgb)
{
    rgb.assign(static_cast<size_t>(boxWidth) * boxHeight * 3, 0);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = background.red;
        rgb[i + 1] = background.green;
        rgb[i + 2] = background.blue;
    }
    const Placement place = FitPicture(pictureWidth, pictureHeight, boxWidth, boxHeight);
    if (place.width == 0)
        return true;

    const std::vector<std::vector<Tap>> across = AxisTaps(pictureWidth, place.width);
    const std::vector<std::vector<Tap>> down = AxisTaps(pictureHeight, place.height);

    // Horizontal pass, one source row at a time, to place.width premultiplied
    // pixels (red, green, blue, alpha on the 0..255 scale). The rows one output
    // row needs are consecutive and move forward, so a window of as many rows as
    // the longest vertical filter is kept, each row in slot (row % window).
    size_t window = 1;
    for (const std::vector<Tap>& taps : down) {
        const size_t span = taps.back().index - taps.front().index + 1;
        if (span > window)
            window = span;
    }
    if (window > pictureHeight)
        window = pictureHeight;
    const size_t rowFloats = static_cast<size_t>(place.width) * 4;
    std::vector<float> scaled(window * rowFloats);
    std::vector<long> rowInSlot(window, -1);
    std::vector<float> source(static_cast<size_t>(pictureWidth) * 4);
    auto scaledRow = [&](unsigned y) -> const float* {
        float* out = &scaled[(y % window) * rowFloats];
        if (rowInSlot[y % window] == static_cast<long>(y))
            return out;
        const uint8_t* row = rows.Row(y);
        if (row == nullptr)
            return nullptr;
        Premultiply(row, pictureWidth, source.data());
        FilterAcross(source.data(), across, out);
        rowInSlot[y % window] = static_cast<long>(y);
        return out;
    };

    // Vertical pass, then "over" the background. The floats of a pixel are
    // blue, green, red and alpha, premultiplied.
    const float back[3] = {static_cast<float>(background.red), static_cast<float>(background.green),
                           static_cast<float>(background.blue)};
    std::vector<const float*> inputs;
    std::vector<float> line(rowFloats);
    for (unsigned j = 0; j < place.height; ++j) {
        inputs.clear();
        for (const Tap& tap : down[j]) {
            inputs.push_back(scaledRow(tap.index));
            if (inputs.back() == nullptr)
                return false;
        }
        FilterDown(inputs, down[j], place.width, line.data());
        uint8_t* target = &rgb[(static_cast<size_t>(place.y + j) * boxWidth + place.x) * 3];
        for (unsigned i = 0; i < place.width; ++i) {
            const float* sum = &line[4 * static_cast<size_t>(i)];
            float alpha = sum[3];
            if (alpha < 0.0f)
                alpha = 0.0f;
            if (alpha > 255.0f)
                alpha = 255.0f;
            const float uncovered = (255.0f - alpha) / 255.0f;
            for (int c = 0; c < 3; ++c) {
                float colour = sum[2 - c];  // red, green, blue
                if (colour < 0.0f)
                    colour = 0.0f;
                if (colour > alpha)
                    colour = alpha;
                target[3 * i + static_cast<unsigned>(c)] = ToByte(colour + back[c] * uncovered);
            }
        }
    }
    return true;
}

std::vector<uint8_t> RenderOnBackground(const ArgbView& picture, unsigned boxWidth,
                                        unsigned boxHeight, Rgb background)
{
    class ViewRows : public PictureRows {
    public:
        explicit ViewRows(const ArgbView& view) : view_(view) {}
        const uint8_t* Row(unsigned y) override { return view_.firstRow + static_cast<ptrdiff_t>(y) * view_.rowBytes; }

    private:
        const ArgbView& view_;
    } rows(picture);
    std::vector<uint8_t> rgb;
    RenderOnBackground(picture.width, picture.height, rows, boxWidth, boxHeight, background, rgb);
    return rgb;
}

uint16_t PackRgb565(uint8_t red, uint8_t green, uint8_t blue)
{
    const unsigned r = (red * 31u + 127u) / 255u;
    const unsigned g = (green * 63u + 127u) / 255u;
    const unsigned b = (blue * 31u + 127u) / 255u;
    return static_cast<uint16_t>((r << 11) | (g << 5) | b);
}

std::vector<uint8_t> EncodeRbf(const std::vector<uint8_t>& rgb)
{
    std::vector<uint8_t> out(rgb.size() / 3 * 2);
    for (size_t i = 0, o = 0; i + 2 < rgb.size(); i += 3, o += 2) {
        const uint16_t v = PackRgb565(rgb[i], rgb[i + 1], rgb[i + 2]);
        out[o] = static_cast<uint8_t>(v);
        out[o + 1] = static_cast<uint8_t>(v >> 8);
    }
    return out;
}

}  // namespace picmill

#include "RbfImage.h"

#include <cmath>

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

struct Tap {
    unsigned index;
    float weight;
};

// For each of the output samples along one axis, the input samples it is made of
// and their weights (summing to 1).
std::vector<std::vector<Tap>> Taps(unsigned inLength, unsigned outLength)
{
    std::vector<std::vector<Tap>> taps(outLength);
    const double ratio = static_cast<double>(inLength) / outLength;
    const double widen = ratio > 1.0 ? ratio : 1.0;
    const double reach = 2.0 * widen;
    for (unsigned i = 0; i < outLength; ++i) {
        const double centre = (i + 0.5) * ratio - 0.5;
        const long first = static_cast<long>(std::ceil(centre - reach));
        const long last = static_cast<long>(std::floor(centre + reach));
        std::vector<double> weights;
        double sum = 0.0;
        for (long j = first; j <= last; ++j) {
            const double w = Cubic((j - centre) / widen);
            weights.push_back(w);
            sum += w;
        }
        for (long j = first; j <= last; ++j) {
            const double w = weights[static_cast<size_t>(j - first)];
            const long lastIndex = static_cast<long>(inLength) - 1;
            const unsigned index = static_cast<unsigned>(j < 0 ? 0 : (j > lastIndex ? lastIndex : j));
            if (!taps[i].empty() && taps[i].back().index == index)
                taps[i].back().weight += static_cast<float>(w / sum);
            else
                taps[i].push_back(Tap{index, static_cast<float>(w / sum)});
        }
    }
    return taps;
}

uint8_t ToByte(float v)
{
    if (v <= 0.0f)
        return 0;
    if (v >= 255.0f)
        return 255;
    return static_cast<uint8_t>(v + 0.5f);
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

    const std::vector<std::vector<Tap>> across = Taps(pictureWidth, place.width);
    const std::vector<std::vector<Tap>> down = Taps(pictureHeight, place.height);

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
        for (unsigned x = 0; x < pictureWidth; ++x) {
            const uint8_t* b = row + 4 * static_cast<size_t>(x);
            const uint32_t p = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                               (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
            const float alpha = static_cast<float>(p >> 24);
            const float scale = alpha / 255.0f;
            source[4 * x] = static_cast<float>((p >> 16) & 0xFF) * scale;
            source[4 * x + 1] = static_cast<float>((p >> 8) & 0xFF) * scale;
            source[4 * x + 2] = static_cast<float>(p & 0xFF) * scale;
            source[4 * x + 3] = alpha;
        }
        for (unsigned i = 0; i < place.width; ++i) {
            float sum[4] = {0, 0, 0, 0};
            for (const Tap& tap : across[i])
                for (int c = 0; c < 4; ++c)
                    sum[c] += source[4 * tap.index + c] * tap.weight;
            for (int c = 0; c < 4; ++c)
                out[4 * i + c] = sum[c];
        }
        rowInSlot[y % window] = static_cast<long>(y);
        return out;
    };

    // Vertical pass, then "over" the background.
    const float back[3] = {static_cast<float>(background.red), static_cast<float>(background.green),
                           static_cast<float>(background.blue)};
    std::vector<const float*> inputs;
    for (unsigned j = 0; j < place.height; ++j) {
        inputs.clear();
        for (const Tap& tap : down[j]) {
            inputs.push_back(scaledRow(tap.index));
            if (inputs.back() == nullptr)
                return false;
        }
        uint8_t* target = &rgb[(static_cast<size_t>(place.y + j) * boxWidth + place.x) * 3];
        for (unsigned i = 0; i < place.width; ++i) {
            float sum[4] = {0, 0, 0, 0};
            for (size_t t = 0; t < inputs.size(); ++t) {
                const float* p = inputs[t] + 4 * static_cast<size_t>(i);
                const float weight = down[j][t].weight;
                for (int c = 0; c < 4; ++c)
                    sum[c] += p[c] * weight;
            }
            float alpha = sum[3];
            if (alpha < 0.0f)
                alpha = 0.0f;
            if (alpha > 255.0f)
                alpha = 255.0f;
            const float uncovered = (255.0f - alpha) / 255.0f;
            for (int c = 0; c < 3; ++c) {
                float colour = sum[c];
                if (colour < 0.0f)
                    colour = 0.0f;
                if (colour > alpha)
                    colour = alpha;
                target[3 * i + c] = ToByte(colour + back[c] * uncovered);
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

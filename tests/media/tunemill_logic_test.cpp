// The audio converter's pure parts: WAV parsing, mixing, resampling, the two
// speech encodings, the by-product formats and MP3 frame headers.
#include "ImaSearchLanes.h"
#include "Mp3.h"
#include "Resample.h"
#include "SpeechCodec.h"
#include "ThreadedSink.h"
#include "Wave.h"
#include "WavBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

using namespace media_test;
using namespace tunemill;

namespace {

bool Parse(const Bytes& file, PcmAudio& audio) { return ParseWav(file.data(), file.size(), audio); }

std::vector<int16_t> Samples(std::initializer_list<int> values)
{
    std::vector<int16_t> out;
    for (int v : values)
        out.push_back(static_cast<int16_t>(v));
    return out;
}

// ---- WAV parsing -----------------------------------------------------------

TEST(TuneMillWave, Reads16BitMono)
{
    PcmAudio audio;
    ASSERT_TRUE(Parse(MakeWav16Mono(22050, {0, 1, -1, 32767, -32768}), audio));
    EXPECT_EQ(22050u, audio.sampleRate);
    EXPECT_EQ(1u, audio.channels);
    EXPECT_EQ(Samples({0, 1, -1, 32767, -32768}), audio.samples);
}

TEST(TuneMillWave, Reads8BitStereoAsSigned16Bit)
{
    WavSpec layout;
    layout.channels = 2;
    layout.bits = 8;
    PcmAudio audio;
    ASSERT_TRUE(Parse(MakeWav(layout, {128, 0, 255, 129}), audio));
    EXPECT_EQ(2u, audio.channels);
    EXPECT_EQ(2u, audio.Frames());
    EXPECT_EQ(Samples({0, -32768, 32512, 256}), audio.samples);
}

TEST(TuneMillWave, ReadsExtensiblePcm)
{
    WavSpec layout;
    layout.formatTag = 0xFFFE;
    layout.channels = 2;
    layout.rate = 44100;
    PcmAudio audio;
    ASSERT_TRUE(Parse(MakeWav(layout, {100, -100, 200, -200}), audio));
    EXPECT_EQ(44100u, audio.sampleRate);
    EXPECT_EQ(Samples({100, -100, 200, -200}), audio.samples);
}

TEST(TuneMillWave, SkipsOddSizedChunksWithTheirPadByte)
{
    WavSpec layout;
    layout.listChunkFirst = true;
    PcmAudio audio;
    ASSERT_TRUE(Parse(MakeWav(layout, {7, 8, 9}), audio));
    EXPECT_EQ(Samples({7, 8, 9}), audio.samples);
}

TEST(TuneMillWave, CutsADataChunkLongerThanTheFileToWholeFrames)
{
    WavSpec layout;
    layout.channels = 2;
    Bytes file = MakeWav(layout, {1, 2, 3, 4, 5, 6});
    file.resize(file.size() - 3);  // the last frame loses 3 of its 4 bytes
    PcmAudio audio;
    ASSERT_TRUE(Parse(file, audio));
    EXPECT_EQ(Samples({1, 2, 3, 4}), audio.samples);
}

TEST(TuneMillWave, RefusesWhatIsNotPcmWav)
{
    PcmAudio audio;
    Bytes good = MakeWav16Mono(8000, {1, 2});
    EXPECT_TRUE(Parse(good, audio));

    Bytes rifx = good;
    std::memcpy(rifx.data(), "RIFX", 4);
    EXPECT_FALSE(Parse(rifx, audio)) << "big-endian RIFF";

    Bytes avi = good;
    std::memcpy(avi.data() + 8, "AVI ", 4);
    EXPECT_FALSE(Parse(avi, audio));

    EXPECT_FALSE(Parse(Bytes(good.begin(), good.begin() + 11), audio)) << "shorter than a RIFF header";
    EXPECT_FALSE(Parse(Bytes(good.begin(), good.begin() + 36), audio)) << "no data chunk";
    EXPECT_FALSE(Parse(MakeWav16Mono(8000, {}), audio)) << "no frame";
    EXPECT_FALSE(ParseWav(nullptr, 0, audio));

    WavSpec layout;
    layout.bits = 24;
    EXPECT_FALSE(Parse(MakeWav(layout, {1, 2, 3}), audio)) << "24-bit";
    layout = WavSpec();
    layout.channels = 3;
    EXPECT_FALSE(Parse(MakeWav(layout, {1, 2, 3}), audio)) << "three channels";
    layout = WavSpec();
    layout.formatTag = 3;
    EXPECT_FALSE(Parse(MakeWav(layout, {1, 2}), audio)) << "IEEE float";
    layout = WavSpec();
    layout.formatTag = 0xFFFE;
    layout.pcmSubFormat = false;
    EXPECT_FALSE(Parse(MakeWav(layout, {1, 2}), audio)) << "extensible float";
    layout = WavSpec();
    layout.rate = 0;
    EXPECT_FALSE(Parse(MakeWav(layout, {1, 2}), audio)) << "rate 0";

    Bytes badAlign = good;
    badAlign[32] = 4;  // block align of a 16-bit mono file must be 2
    EXPECT_FALSE(Parse(badAlign, audio));

    Bytes shortFormat = good;
    shortFormat[16] = 14;  // "fmt " chunk too short for PCM
    EXPECT_FALSE(Parse(shortFormat, audio));
}

TEST(TuneMillWave, RefusesDataBeforeFormat)
{
    Bytes file;
    PutTag(file, "RIFF");
    Put32(file, 4 + 8 + 2 + 8 + 16);
    PutTag(file, "WAVE");
    PutTag(file, "data");
    Put32(file, 2);
    Put16(file, 5);
    PutTag(file, "fmt ");
    Put32(file, 16);
    Put16(file, 1);
    Put16(file, 1);
    Put32(file, 8000);
    Put32(file, 16000);
    Put16(file, 2);
    Put16(file, 16);
    PcmAudio audio;
    EXPECT_FALSE(Parse(file, audio));
}

TEST(TuneMillWave, WritesACanonicalMonoWav)
{
    const Bytes expected = {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E',
                            'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
                            0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0,
                            'd', 'a', 't', 'a', 4, 0, 0, 0, 0x01, 0x00, 0xFF, 0xFF};
    EXPECT_EQ(expected, tunemill::MakeWav16Mono(Samples({1, -1}), 8000));
}

TEST(TuneMillWave, ThreadedSinkPassesPiecesInOrderAndStopsWhenRefused)
{
    // Takes pieces until the total passes `refuseAfter` frames.
    struct Target : PcmSink {
        size_t refuseAfter = SIZE_MAX;
        std::vector<int16_t> got;
        bool Begin(unsigned, unsigned channels) override { return channels == 2; }
        bool Take(const int16_t* samples, size_t frames) override
        {
            got.insert(got.end(), samples, samples + 2 * frames);
            return got.size() / 2 <= refuseAfter;
        }
    };
    std::vector<int16_t> expected;
    for (int16_t i = 0; i < 2000; ++i)
        expected.push_back(i);
    Target all, some;
    some.refuseAfter = 150;
    ThreadedSink toAll(all), toSome(some, 100);  // a piece for every Take
    EXPECT_FALSE(ThreadedSink(all).Begin(8000, 1)) << "the target's refusal";
    ASSERT_TRUE(toAll.Begin(8000, 2));
    ASSERT_TRUE(toSome.Begin(8000, 2));
    bool refused = false;
    for (size_t at = 0; at < expected.size(); at += 100) {
        EXPECT_TRUE(toAll.Take(&expected[at], 50));
        refused = refused || !toSome.Take(&expected[at], 50);
    }
    EXPECT_TRUE(toAll.Close());
    EXPECT_EQ(expected, all.got);
    EXPECT_FALSE(toSome.Close());
    EXPECT_TRUE(refused) << "pieces after the refusal are turned down";
    EXPECT_EQ(400u, some.got.size()) << "nothing is passed on after the refused piece";
}

TEST(TuneMillWave, MixesChannelsByAveragingTowardZero)
{
    PcmAudio stereo;
    stereo.channels = 2;
    stereo.sampleRate = 8000;
    stereo.samples = Samples({1000, -1000, 3, 0, -3, 0, 32767, 32767, -32768, -32768, -32768, 32767});
    EXPECT_EQ(Samples({0, 1, -1, 32767, -32768, 0}), MixToMono(stereo));

    PcmAudio mono;
    mono.channels = 1;
    mono.samples = Samples({5, -6});
    EXPECT_EQ(mono.samples, MixToMono(mono));
}

// ---- Resampling ------------------------------------------------------------

TEST(TuneMillResample, LengthIsRoundedProportion)
{
    EXPECT_EQ(181u, ResampledLength(1000, 44100, 8000));  // 181.4
    EXPECT_EQ(8000u, ResampledLength(22050, 22050, 8000));
    EXPECT_EQ(2u, ResampledLength(3, 2, 1));               // 1.5 rounds up
    EXPECT_EQ(1u, ResampledLength(5, 44100, 8000));        // 0.907
    EXPECT_EQ(0u, ResampledLength(2, 44100, 8000));        // 0.36
    EXPECT_EQ(2000u, ResampledLength(1000, 8000, 16000));
    EXPECT_EQ(0u, ResampledLength(0, 8000, 16000));
    EXPECT_EQ(0u, ResampledLength(100, 0, 8000));
    EXPECT_EQ(0u, ResampledLength(100, 8000, 0));
    EXPECT_EQ(2150400000ull, ResampledLength(11200, 1, 192000)) << "twice that overflows 32 bits";
    EXPECT_EQ(824633720832000ull, ResampledLength(1ull << 32, 1, 192000));
}

TEST(TuneMillResample, MatchesTheFiltersEvaluatedDirectly)
{
    // Expected values: each output computed on its own in double precision
    // from the filters as documented (for 22050 Hz first the last halving
    // filter centred on every other sample, for 44100 Hz an early one and then
    // the last; then the windowed sinc at position i x from / to over the
    // held-edge input, divided by the sum of its taps), then rounded.
    auto noise = [](int n) {
        std::vector<int16_t> v(n);
        for (int i = 0; i < n; ++i)
            v[i] = static_cast<int16_t>(static_cast<int>((i * 15485863LL) % 20001) - 10000);
        return v;
    };
    EXPECT_EQ(Samples({-7517, -1047, -2577, -1469, -1668, -1224, -1023, -834, -477, -361, -24, 253}),
              Resample(noise(33), 22050, 8000));
    EXPECT_EQ(Samples({-5856, -1581, -1703, -932, -608, -2, 385, 989, 1316, 2096, 1697, -2578}),
              Resample(noise(66), 44100, 8000));
    EXPECT_EQ(Samples({-620, 10863, 6902, -12212, -73, 23412, 4463, -19646, -6135, 5667, -1798}),
              Resample(Samples({100, 12000, -8000, 3000, 20000, -20000, 500, 0}), 8000, 11025));
}

TEST(TuneMillResample, RoundsHalvesAwayFromZeroAndClips)
{
    EXPECT_EQ(1, RoundToSample(0.5f));
    EXPECT_EQ(-1, RoundToSample(-0.5f));
    EXPECT_EQ(0, RoundToSample(0.49f));
    EXPECT_EQ(-2, RoundToSample(-1.5f));
    EXPECT_EQ(32767, RoundToSample(32767.4f));
    EXPECT_EQ(32767, RoundToSample(40000.0f));
    EXPECT_EQ(-32768, RoundToSample(-32768.6f));
    // A full-scale square wave overshoots once band-limited: clipped, not wrapped.
    std::vector<int16_t> square;
    for (int i = 0; i < 400; ++i)
        square.push_back(static_cast<int16_t>((i / 20) % 2 ? -32768 : 32767));
    const std::vector<int16_t> up = Resample(square, 8000, 16000);
    EXPECT_EQ(32767, *std::max_element(up.begin(), up.end()));
    EXPECT_EQ(-32768, *std::min_element(up.begin(), up.end()));
}

TEST(TuneMillResample, KeepsConstantsAndEqualRates)
{
    // Every path: exact phases up and down, interpolated phases, halvings.
    const unsigned rates[][2] = {{44100, 8000}, {8000, 44100}, {44100, 7999}, {11025, 192000}, {192000, 8000}};
    for (const auto& rate : rates)
        for (int value : {32767, -32768, 1234}) {
            const std::vector<int16_t> in(500, static_cast<int16_t>(value));
            const std::vector<int16_t> out = Resample(in, rate[0], rate[1]);
            ASSERT_EQ(ResampledLength(500, rate[0], rate[1]), out.size()) << rate[0] << " to " << rate[1];
            EXPECT_EQ(std::vector<int16_t>(out.size(), static_cast<int16_t>(value)), out) << rate[0] << " to " << rate[1];
        }
    const std::vector<int16_t> loud = Samples({32767, -32768, 32767, -32768, 5});
    EXPECT_EQ(loud, Resample(loud, 8000, 8000));
    EXPECT_TRUE(Resample({}, 8000, 16000).empty());
}

TEST(TuneMillResample, PiecesGiveTheSameOutputAsTheWhole)
{
    std::vector<int16_t> noise(20000);
    uint32_t seed = 1;
    for (int16_t& v : noise) {
        seed = seed * 1103515245u + 12345u;
        v = static_cast<int16_t>(seed >> 16);
    }
    const unsigned rates[][2] = {{44100, 8000}, {11025, 16000}, {44100, 7999}, {192000, 8000}, {11025, 192000}};
    const size_t pieces[] = {1, 7, 333, 4096, 1, 2};
    for (const auto& rate : rates) {
        Resampler resampler(rate[0], rate[1]);
        std::vector<int16_t> out;
        for (size_t at = 0, k = 0; at < noise.size(); ++k) {
            const size_t n = std::min(pieces[k % 6], noise.size() - at);
            resampler.Push(&noise[at], n, out);
            at += n;
        }
        resampler.Finish(out);
        EXPECT_EQ(Resample(noise, rate[0], rate[1]), out) << rate[0] << " to " << rate[1];
    }
}

// One second of a tone at `frequency` through the resampler; the level of the
// tone found in the output and of everything else (aliases, images, spurs), in
// dB relative to the input.
struct ToneResult {
    double gainDb, residueDb;
};

ToneResult ThroughResampler(unsigned from, unsigned to, double frequency)
{
    const double amplitude = 16000;
    const std::vector<int> tone = Sine(from, from, frequency, amplitude);
    const std::vector<int16_t> out = Resample(std::vector<int16_t>(tone.begin(), tone.end()), from, to);
    // Least-squares fit of the tone over the middle half, away from the ends.
    const double w = 6.283185307179586 * frequency / to;
    const size_t first = out.size() / 4, last = out.size() * 3 / 4;
    double cc = 0, ss = 0, cs = 0, yc = 0, ys = 0;
    for (size_t n = first; n < last; ++n) {
        const double c = frequency < to / 2.0 ? std::cos(w * static_cast<double>(n)) : 0, s = frequency < to / 2.0 ? std::sin(w * static_cast<double>(n)) : 0;
        cc += c * c, ss += s * s, cs += c * s, yc += out[n] * c, ys += out[n] * s;
    }
    const double det = cc * ss - cs * cs;
    const double a = det > 0 ? (yc * ss - ys * cs) / det : 0, b = det > 0 ? (ys * cc - yc * cs) / det : 0;
    double residue = 0;
    for (size_t n = first; n < last; ++n) {
        const double e = out[n] - a * std::cos(w * static_cast<double>(n)) - b * std::sin(w * static_cast<double>(n));
        residue += e * e;
    }
    const double rms = std::sqrt(residue / static_cast<double>(last - first));
    return ToneResult{20 * std::log10(std::sqrt(a * a + b * b) / amplitude + 1e-12),
                      20 * std::log10(rms / (amplitude / std::sqrt(2.0)))};
}

TEST(TuneMillResample, AliasesAreAttenuatedAndThePassBandIsFlat)
{
    // Tones up to 0.4 x the lower rate pass within 0.2 dB; whatever else comes
    // out (a tone above the new Nyquist frequency folded back, an image when
    // going up, interpolation spurs) stays 70 dB below the input.
    struct Case {
        unsigned from, to;
        double frequency;
    };
    const Case cases[] = {
        {44100, 8000, 3200},   {44100, 8000, 4080},   {44100, 8000, 5000},   {48000, 8000, 3200},
        {48000, 8000, 4080},   {22050, 8000, 3200},   {22050, 8000, 4080},   {11025, 8000, 3200},
        {11025, 8000, 4080},   {44100, 16000, 6400},  {44100, 16000, 8160},  {48000, 16000, 6400},
        {48000, 16000, 8160},  {22050, 16000, 6400},  {22050, 16000, 8160},  {11025, 16000, 4410},
        {11025, 16000, 5400},  {192000, 8000, 3200},  {192000, 8000, 93000}, {44100, 7999, 3199},
        {44100, 7999, 4100},   {8000, 44100, 3200},   {8000, 44100, 3990},
    };
    for (const Case& c : cases) {
        const ToneResult r = ThroughResampler(c.from, c.to, c.frequency);
        const double passBand = 0.4 * std::min(c.from, c.to);
        if (c.frequency <= passBand) {
            EXPECT_NEAR(0.0, r.gainDb, 0.2) << c.frequency << " Hz, " << c.from << " to " << c.to;
        }
        EXPECT_LT(r.residueDb, -70.0) << c.frequency << " Hz, " << c.from << " to " << c.to;
    }
}

TEST(TuneMillResample, FlatTo045AndStoppedFrom05OfTheLowerRate)
{
    // At every rate: a tone at 0.45 of the lower rate within 0.1 dB; one just
    // above 0.5 (or, going up, the image of one at 0.45) at least 85 dB down,
    // as low as the rounding of the output lets it be measured.
    const unsigned rates[][2] = {{44100, 8000}, {44100, 16000}, {48000, 8000}, {22050, 8000}, {11025, 8000},
                                 {44100, 7999}, {192000, 8000}, {16000, 8000}, {8000, 44100}, {11025, 16000}};
    for (const auto& rate : rates) {
        const unsigned lower = std::min(rate[0], rate[1]);
        const ToneResult pass = ThroughResampler(rate[0], rate[1], 0.45 * lower);
        EXPECT_NEAR(0.0, pass.gainDb, 0.1) << rate[0] << " to " << rate[1];
        if (rate[1] > rate[0]) {
            EXPECT_LT(pass.residueDb, -85.0) << "image, " << rate[0] << " to " << rate[1];
        } else {
            EXPECT_LT(ThroughResampler(rate[0], rate[1], 0.502 * lower).residueDb, -85.0) << rate[0] << " to " << rate[1];
        }
    }
}

// ---- APM: IMA ADPCM --------------------------------------------------------

TEST(TuneMillImaAdpcm, EncodesKnownSamplesLowNibbleFirst)
{
    // 1000 from predictor 0, step 7: code 7, predictor 11, step index 8.
    // 1000 again, step 16: code 7, predictor 41, step index 16.
    // 0, step 34: difference -41, code 8 + 4 = 0xC; the pad nibble is 0.
    EXPECT_EQ(Bytes({0x77, 0x0C}), EncodeApm(Samples({1000, 1000, 0})));
    EXPECT_EQ(Bytes({0x77}), EncodeApm(Samples({1000, 1000})));
    EXPECT_EQ(Bytes({0x00, 0x00}), EncodeApm(Samples({0, 0, 0, 0})));
    EXPECT_TRUE(EncodeApm({}).empty());
}

TEST(TuneMillImaAdpcm, EncoderAndDecoderKeepTheSameState)
{
    ImaState encoder, decoder;
    EXPECT_EQ(7, ImaEncode(encoder, 1000));
    EXPECT_EQ(11, ImaDecode(decoder, 7));
    EXPECT_EQ(7, ImaEncode(encoder, 1000));
    EXPECT_EQ(41, ImaDecode(decoder, 7));
    EXPECT_EQ(41, encoder.predictor);
    EXPECT_EQ(16, encoder.stepIndex);
    EXPECT_EQ(16, decoder.stepIndex);
}

TEST(TuneMillImaAdpcm, FollowsASineClosely)
{
    const std::vector<int> sine = Sine(8000, 8000, 440, 12000);
    std::vector<int16_t> samples(sine.begin(), sine.end());
    const Bytes apm = EncodeApm(samples);
    ASSERT_EQ(4000u, apm.size());
    ImaState state;
    double error = 0, signal = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        const uint8_t code = (i & 1) ? apm[i / 2] >> 4 : apm[i / 2] & 0x0F;
        const int decoded = ImaDecode(state, code);
        if (i >= 100) {  // once the step size has caught up
            error += std::pow(decoded - samples[i], 2);
            signal += std::pow(samples[i], 2);
        }
    }
    EXPECT_GT(10 * std::log10(signal / error), 20.0) << "signal to noise in dB";
}

TEST(TuneMillImaAdpcm, ClampsAtFullScale)
{
    std::vector<int16_t> square;
    for (int i = 0; i < 400; ++i)
        square.push_back(static_cast<int16_t>((i / 50) % 2 ? -32768 : 32767));
    const Bytes apm = EncodeApm(square);
    ImaState state;
    int highest = 0, lowest = 0;
    for (size_t i = 0; i < square.size(); ++i) {
        const int v = ImaDecode(state, (i & 1) ? apm[i / 2] >> 4 : apm[i / 2] & 0x0F);
        highest = v > highest ? v : highest;
        lowest = v < lowest ? v : lowest;
        ASSERT_LE(state.stepIndex, 88);
        ASSERT_GE(state.stepIndex, 0);
    }
    EXPECT_EQ(32767, highest);
    EXPECT_EQ(-32768, lowest);
}

// A plain IMA ADPCM decoder, as any decoder of the format reads APM data.
std::vector<int> ReferenceDecode(const Bytes& apm, size_t count)
{
    static const int steps[89] = {
        7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
        31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
        130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
        544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
        2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
        9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
    std::vector<int> out;
    int predictor = 0, index = 0;
    for (size_t i = 0; i < count; ++i) {
        const int code = (i & 1) ? apm[i / 2] >> 4 : apm[i / 2] & 15, step = steps[index];
        const int difference = (step >> 3) + ((code & 4) ? step : 0) + ((code & 2) ? step >> 1 : 0) + ((code & 1) ? step >> 2 : 0);
        predictor = std::max(-32768, std::min(32767, predictor + ((code & 8) ? -difference : difference)));
        index = std::max(0, std::min(88, index + (code & 4 ? 2 * (code & 3) + 2 : -1)));
        out.push_back(predictor);
    }
    return out;
}

double SnrDb(const std::vector<int16_t>& signal, const std::vector<int>& decoded)
{
    double s = 0, e = 0;
    for (size_t i = 0; i < signal.size(); ++i) {
        s += std::pow(signal[i], 2);
        e += std::pow(signal[i] - decoded[i], 2);
    }
    return 10 * std::log10(s / e);
}

// One second like speech: a buzz of 30 harmonics (a saw tooth) gliding
// around 140 Hz and noise, in syllables of 250 ms.
std::vector<int16_t> SpeechLike(unsigned rate = 8000)
{
    std::vector<int16_t> v(rate);
    double phase = 0;
    uint32_t seed = 1;
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        phase += (140 + 40 * std::sin(6.283185307179586 * 0.3 * t)) / rate;
        double buzz = 0;
        for (int h = 1; h <= 30; ++h)
            buzz += std::sin(6.283185307179586 * h * phase) / h;
        seed = seed * 1103515245u + 12345u;
        const double noise = (static_cast<int>(seed >> 16) - 32768) / 32768.0;
        v[i] = static_cast<int16_t>((0.5 + 0.5 * std::sin(6.283185307179586 * 4 * t)) * (6000 * buzz + 1500 * noise));
    }
    return v;
}

TEST(TuneMillApmSearch, AnyDecoderReadsItAndItBeatsTheUsualEncoder)
{
    // The codes decoded by a plain decoder against the samples, beside the
    // usual encoder's (the nearest code each sample): speech gains most, where
    // the step must rise before a jump (2.4 dB here); the sweep 0.5 dB, the
    // tone 0.33 dB.
    std::vector<int16_t> sweep(16000);
    for (size_t i = 0; i < sweep.size(); ++i) {
        const double t = static_cast<double>(i) / 8000;
        sweep[i] = static_cast<int16_t>(std::lround(16384 * std::sin(6.283185307179586 * (20 * t + 900 * t * t))));
    }
    const std::vector<int> tone = Sine(8000, 8000, 997, 8192);
    struct Case {
        const char* name;
        std::vector<int16_t> samples;
        double gainDb;
    } cases[] = {{"speech", SpeechLike(), 1.5}, {"sweep", sweep, 0.4}, {"tone", {tone.begin(), tone.end()}, 0.25}};
    for (const Case& c : cases) {
        const Bytes apm = EncodeApm(c.samples);
        ASSERT_EQ((c.samples.size() + 1) / 2, apm.size()) << c.name;
        ImaState state;
        std::vector<int> usual;
        for (int16_t v : c.samples) {
            ImaEncode(state, v);
            usual.push_back(state.predictor);
        }
        EXPECT_GE(SnrDb(c.samples, ReferenceDecode(apm, c.samples.size())), SnrDb(c.samples, usual) + c.gainDb) << c.name;
    }
}

TEST(TuneMillApmSearch, ItsUsualEncoderStepsAsImaEncodeDoes)
{
    // The search's own usual encoder (by tables) against ImaEncode, sample by
    // sample: jumps across the whole range (distances past 32767), full
    // scale, silence at the bottom of the table, noise.
    std::vector<int16_t> samples = SpeechLike();
    uint32_t seed = 11;
    for (int i = 0; i < 4000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const int noise = static_cast<int>(seed >> 16) - 32768;
        samples.push_back(static_cast<int16_t>(i % 3 == 0 ? ((i / 3) % 2 ? -32768 : 32767) : noise));
    }
    samples.insert(samples.end(), 500, 0);
    std::vector<ImaSearch::Step> steps(samples.size());
    ImaSearch::Plain plain;
    ImaState state;
    for (size_t k = 0; k < samples.size(); ++k) {
        steps[k].sample = samples[k];
        PlanStep(steps.data(), k, plain);
        const uint8_t code = ImaEncode(state, samples[k]);
        ASSERT_EQ(code, steps[k].plainEntry & 15) << k;
        ASSERT_EQ(state.predictor, steps[k].plainPredictor) << k;
        ASSERT_EQ(state.stepIndex, steps[k].plainIndex) << k;
    }
}

TEST(TuneMillApmSearch, EveryFormChoosesTheSameCodesWhateverThePieces)
{
    std::vector<int16_t> samples = SpeechLike();
    for (int i = 0; i < 3000; ++i)  // full-scale jumps: the band at the top of the step table
        samples.push_back(static_cast<int16_t>((i / 7) % 2 ? -32768 : 32767));
    samples.insert(samples.end(), 3000, 0);  // silence: the band at the bottom
    const Bytes whole = EncodeApm(samples);
    const size_t pieces[] = {1, 7, 333, 4096, 2};
    for (ImaSearch::Form form : {ImaSearch::Form::Portable, ImaSearch::Form::Sse2, ImaSearch::Form::Sse41}) {
        ApmEncoder encoder(form);
        Bytes out;
        for (size_t at = 0, k = 0; at < samples.size(); ++k) {
            const size_t n = std::min(pieces[k % 5], samples.size() - at);
            encoder.Encode(&samples[at], n, out);
            at += n;
        }
        encoder.Finish(out);
        EXPECT_EQ(whole, out) << static_cast<int>(form);
    }
}

TEST(TuneMillApmSearch, NeverEndsWithMoreErrorThanTheUsualEncoder)
{
    // The usual encoder (the nearest code each sample, from predictor 0 and
    // step index 0) on the same samples: its codes are among those the search
    // follows, so whatever the signal the search's error is at most its own.
    const double kTwoPi = 6.283185307179586;
    for (const unsigned rate : {8000u, 16000u}) {
        const double top = 0.45 * rate, high = 0.42 * rate;
        uint32_t seed = 7;
        const std::vector<int16_t> speech = SpeechLike(rate);
        const struct Case {
            const char* name;
            std::function<double(size_t, double)> value;  // of sample i at time t
        } cases[] = {
            {"low tone", [&](size_t, double t) { return 16384 * std::sin(kTwoPi * 200 * t); }},
            {"high tone", [&](size_t, double t) { return 16384 * std::sin(kTwoPi * high * t); }},
            {"two tones, one near the top",
             [&](size_t, double t) { return 10000 * (std::sin(kTwoPi * 500 * t) + std::sin(kTwoPi * top * t)); }},
            {"full level at once", [&](size_t, double t) { return 32767 * std::cos(kTwoPi * 1000 * t); }},
            {"noise",
             [&](size_t, double) {
                 seed = seed * 1103515245u + 12345u;
                 return (static_cast<int>(seed >> 16) - 32768) / 2.0;
             }},
            {"silence then speech", [&](size_t i, double) { return i < rate / 2 ? 0.0 : speech[i - rate / 2]; }},
            {"clipped square wave", [&](size_t, double t) { return 4 * 32767 * std::sin(kTwoPi * 440 * t); }},
        };
        for (const Case& c : cases) {
            std::vector<int16_t> samples(rate * 3 / 2);
            for (size_t i = 0; i < samples.size(); ++i) {
                const double v = std::lround(c.value(i, static_cast<double>(i) / rate));
                samples[i] = static_cast<int16_t>(std::max(-32768.0, std::min(32767.0, v)));
            }
            const std::vector<int> decoded = ReferenceDecode(EncodeApm(samples), samples.size());
            ImaState state;
            double ours = 0, usual = 0;
            for (size_t i = 0; i < samples.size(); ++i) {
                ImaEncode(state, samples[i]);
                ours += std::pow(samples[i] - decoded[i], 2);
                usual += std::pow(samples[i] - state.predictor, 2);
            }
            EXPECT_LE(ours, usual) << c.name << " at " << rate << " Hz";
        }
    }
}

// ---- MDM: mu-law -----------------------------------------------------------

TEST(TuneMillMuLaw, EncodesKnownSamples)
{
    EXPECT_EQ(0xFF, MuLawEncode(0));
    EXPECT_EQ(0x7F, MuLawEncode(-1));
    EXPECT_EQ(0xFF, MuLawEncode(3));      // 135 >> 3 = 16: segment 0, mantissa 0
    EXPECT_EQ(0xFE, MuLawEncode(4));      // 136 >> 3 = 17: mantissa 1
    EXPECT_EQ(0xF2, MuLawEncode(100));    // 232: segment 0, mantissa 13
    EXPECT_EQ(0xCE, MuLawEncode(1000));   // 1132: segment 3, mantissa 1
    EXPECT_EQ(0x4E, MuLawEncode(-1000));
    EXPECT_EQ(0x8F, MuLawEncode(16384));  // 16516: segment 7, mantissa 0
    EXPECT_EQ(0x80, MuLawEncode(32767));
    EXPECT_EQ(0x80, MuLawEncode(32635));
    EXPECT_EQ(0x00, MuLawEncode(-32768));
    EXPECT_EQ(Bytes({0xFF, 0xCE, 0x4E}), EncodeMdm(Samples({0, 1000, -1000})));
}

TEST(TuneMillMuLaw, DecodesToTheSegmentMidpoint)
{
    EXPECT_EQ(0, MuLawDecode(0xFF));
    EXPECT_EQ(988, MuLawDecode(0xCE));
    EXPECT_EQ(-988, MuLawDecode(0x4E));
    EXPECT_EQ(32124, MuLawDecode(0x80));
    EXPECT_EQ(-32124, MuLawDecode(0x00));
}

TEST(TuneMillMuLaw, RoundTripErrorStaysWithinHalfAStep)
{
    for (int v = -32768; v <= 32767; v += 7) {
        const int decoded = MuLawDecode(MuLawEncode(static_cast<int16_t>(v)));
        const int magnitude = v < 0 ? -v : v;
        const int allowed = magnitude > 32635 ? 700 : (magnitude + 0x84) / 16 + 1;
        ASSERT_LE(std::abs(decoded - v), allowed) << v;
    }
}

// ---- By-product formats ----------------------------------------------------

TEST(TuneMillByProducts, ApmDescriptionIsHeaderThenData)
{
    const Bytes expected = {'A', 'P', 'M', '1', 0x40, 0x1F, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 0x77, 0x0C};
    EXPECT_EQ(expected, MakeApmDescription(Bytes({0x77, 0x0C}), 8000, 3));
}

TEST(TuneMillByProducts, MdmHeaderListsEveryByte)
{
    EXPECT_EQ("/* Speech data: 8-bit mu-law, one byte per sample. */\n"
              "#define MDM_SAMPLE_RATE 8000\n"
              "#define MDM_LENGTH 3\n"
              "\n"
              "const unsigned char mdm_data[MDM_LENGTH] = {\n"
              "    0xFF, 0x80, 0x0A,\n"
              "};\n",
              MakeMdmHeader(Bytes({0xFF, 0x80, 0x0A}), 8000));

    const std::string seventeen = MakeMdmHeader(Bytes(17, 0x11), 11025);
    EXPECT_NE(std::string::npos, seventeen.find("#define MDM_SAMPLE_RATE 11025\n#define MDM_LENGTH 17\n"));
    EXPECT_NE(std::string::npos,
              seventeen.find("{\n    0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, "
                             "0x11, 0x11, 0x11, 0x11, 0x11,\n    0x11,\n};\n"));
}

TEST(TuneMillLimits, PlanRefusesRatesOutOfRangeAndOversizedOutput)
{
    uint64_t samples = 0;
    EXPECT_FALSE(PlanSpeechLength(4, 8000, 0, SpeechFormat::Apm, samples));
    EXPECT_FALSE(PlanSpeechLength(4, 8000, -8000, SpeechFormat::Apm, samples));
    EXPECT_FALSE(PlanSpeechLength(4, 8000, kMaxTargetRate + 1, SpeechFormat::Mdm, samples));
    EXPECT_FALSE(PlanSpeechLength(4, 0, 8000, SpeechFormat::Mdm, samples));
    EXPECT_FALSE(PlanSpeechLength(4, 8000, 500, SpeechFormat::Mdm, samples)) << "nothing left at 500 Hz";
    ASSERT_TRUE(PlanSpeechLength(4, 8000, kMaxTargetRate, SpeechFormat::Mdm, samples));
    EXPECT_EQ(96u, samples);

    // The converted file may take 16 MiB: 2^25 APM samples, 2^24 MDM samples.
    EXPECT_EQ(33554432u, MaxSpeechSamples(SpeechFormat::Apm));
    EXPECT_EQ(16777216u, MaxSpeechSamples(SpeechFormat::Mdm));
    EXPECT_TRUE(PlanSpeechLength(33554432, 8000, 8000, SpeechFormat::Apm, samples));
    EXPECT_FALSE(PlanSpeechLength(33554433, 8000, 8000, SpeechFormat::Apm, samples));
    EXPECT_TRUE(PlanSpeechLength(16777216, 8000, 8000, SpeechFormat::Mdm, samples));
    EXPECT_FALSE(PlanSpeechLength(16777217, 8000, 8000, SpeechFormat::Mdm, samples));
    // 11200 frames at 1 Hz to 192000 Hz: 2150400000 samples, refused whatever the width of size_t.
    EXPECT_FALSE(PlanSpeechLength(11200, 1, 192000, SpeechFormat::Apm, samples));
    EXPECT_EQ(2150400000ull, samples);
}

// ---- MP3 frame headers -----------------------------------------------------

TEST(TuneMillMp3Header, ReadsMpeg1AndMpeg2Headers)
{
    const uint8_t mpeg1[4] = {0xFF, 0xFB, 0x90, 0x64};  // 128 kbit/s, 44100 Hz, joint stereo
    Mp3Frame frame;
    ASSERT_TRUE(ParseMp3FrameHeader(mpeg1, frame));
    EXPECT_EQ(1u, frame.version);
    EXPECT_EQ(128u, frame.bitrateKbps);
    EXPECT_EQ(44100u, frame.sampleRate);
    EXPECT_EQ(2u, frame.channels);
    EXPECT_EQ(417u, frame.frameBytes);
    EXPECT_EQ(1152u, frame.samplesPerFrame);

    const uint8_t mpeg2[4] = {0xFF, 0xF3, 0x86, 0xC4};  // 64 kbit/s, 24000 Hz, padded, mono
    ASSERT_TRUE(ParseMp3FrameHeader(mpeg2, frame));
    EXPECT_EQ(2u, frame.version);
    EXPECT_EQ(64u, frame.bitrateKbps);
    EXPECT_EQ(24000u, frame.sampleRate);
    EXPECT_EQ(1u, frame.channels);
    EXPECT_TRUE(frame.padding);
    EXPECT_EQ(193u, frame.frameBytes);
    EXPECT_EQ(576u, frame.samplesPerFrame);

    const uint8_t mpeg25[4] = {0xFF, 0xE3, 0x18, 0xC4};  // 8 kbit/s, 8000 Hz
    ASSERT_TRUE(ParseMp3FrameHeader(mpeg25, frame));
    EXPECT_EQ(25u, frame.version);
    EXPECT_EQ(8000u, frame.sampleRate);
    EXPECT_EQ(72u, frame.frameBytes);
}

TEST(TuneMillMp3Header, RefusesOtherLayersAndReservedValues)
{
    Mp3Frame frame;
    const uint8_t layer2[4] = {0xFF, 0xFD, 0x90, 0x64};
    const uint8_t freeFormat[4] = {0xFF, 0xFB, 0x00, 0x64};
    const uint8_t badBitrate[4] = {0xFF, 0xFB, 0xF0, 0x64};
    const uint8_t badRate[4] = {0xFF, 0xFB, 0x9C, 0x64};
    const uint8_t reservedVersion[4] = {0xFF, 0xEB, 0x90, 0x64};
    const uint8_t noSync[4] = {0xFF, 0x7B, 0x90, 0x64};
    EXPECT_FALSE(ParseMp3FrameHeader(layer2, frame));
    EXPECT_FALSE(ParseMp3FrameHeader(freeFormat, frame));
    EXPECT_FALSE(ParseMp3FrameHeader(badBitrate, frame));
    EXPECT_FALSE(ParseMp3FrameHeader(badRate, frame));
    EXPECT_FALSE(ParseMp3FrameHeader(reservedVersion, frame));
    EXPECT_FALSE(ParseMp3FrameHeader(noSync, frame));
}

TEST(TuneMillMp3Header, MeasuresId3v2Tags)
{
    const Bytes tag = {'I', 'D', '3', 4, 0, 0, 0, 0, 2, 1};
    Bytes file = tag;
    file.resize(300);
    EXPECT_EQ(267u, Id3v2Length(file.data(), file.size()));  // 10 + 2 * 128 + 1
    file[5] = 0x10;                                           // with a footer
    EXPECT_EQ(277u, Id3v2Length(file.data(), file.size()));
    file[8] = 0x80;                                           // not a sync-safe size
    EXPECT_EQ(0u, Id3v2Length(file.data(), file.size()));
    EXPECT_EQ(0u, Id3v2Length(tag.data(), 9));
}

TEST(TuneMillMp3Header, FindsTheFirstFrameWhoseSuccessorAgrees)
{
    // ID3 tag of 20 bytes, 5 bytes of junk holding a false sync, two 72-byte frames.
    Bytes file = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 10};
    file.resize(20, 0);
    const Bytes junk = {0x00, 0xFF, 0xFB, 0x90, 0x64};
    file.insert(file.end(), junk.begin(), junk.end());
    for (int i = 0; i < 2; ++i) {
        const size_t start = file.size();
        file.resize(start + 72, 0);
        file[start] = 0xFF;
        file[start + 1] = 0xE3;
        file[start + 2] = 0x18;
        file[start + 3] = 0xC4;
    }
    size_t offset = 0;
    Mp3Frame frame;
    ASSERT_TRUE(FindFirstMp3Frame(file.data(), file.size(), offset, frame));
    EXPECT_EQ(25u, offset);
    EXPECT_EQ(8000u, frame.sampleRate);

    // A lone frame cut short is no stream.
    Bytes cut(file.begin() + 25, file.begin() + 25 + 60);
    EXPECT_FALSE(FindFirstMp3Frame(cut.data(), cut.size(), offset, frame));
    const Bytes wav = MakeWav16Mono(8000, Sine(800, 8000, 440, 1000));
    EXPECT_FALSE(FindFirstMp3Frame(wav.data(), wav.size(), offset, frame));
}

TEST(TuneMillMp3Header, FindsAndCountsFramesInASourceReadInPieces)
{
    // 100000 bytes of junk, then five 72-byte frames and junk again. The junk
    // holds a false frame whose successor would start 2 bytes before the end
    // of the first 64 KiB looked at, too near it to be checked there.
    Bytes file(100000, 0x00);
    const uint8_t sync[4] = {0xFF, 0xE3, 0x18, 0xC4};  // MPEG-2.5, 8000 Hz, 576 samples
    std::copy(sync, sync + 4, file.begin() + 65536 - 74);
    for (int i = 0; i < 5; ++i) {
        const size_t start = file.size();
        file.resize(start + 72, 0);
        std::copy(sync, sync + 4, file.begin() + start);
    }
    file.resize(file.size() + 500, 0x55);
    MemorySource source(file.data(), file.size());
    uint64_t offset = 0;
    Mp3Frame frame;
    ASSERT_TRUE(FindFirstMp3Frame(source, offset, frame));
    EXPECT_EQ(100000u, offset);
    size_t whole = 0;
    ASSERT_TRUE(FindFirstMp3Frame(file.data(), file.size(), whole, frame));
    EXPECT_EQ(whole, offset) << "the same frame as a search of the whole";
    EXPECT_EQ(5u * 576, CountMp3Samples(source, offset, frame));
}

}  // namespace

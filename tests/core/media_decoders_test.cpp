// The device's decoders against the converters' encoders: the same state,
// step for step, and the signal back within the formats' noise.
#include "PictureDecoder.h"
#include "Resample.h"
#include "SpeechCodec.h"
#include "SpeechDecoder.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

const double kTwoPi = 6.283185307179586;

// 2 s at 22050 Hz: a 1 kHz tone, or voiced syllables (a glottal pitch of
// 100-220 Hz, harmonics shaped by two moving formants, 4 syllables a second).
std::vector<int16_t> Signal(bool speech)
{
    const double rate = 22050;
    std::vector<int16_t> samples(44100);
    double phase = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        double value = 12000 * std::sin(kTwoPi * 1000 * t);
        if (speech) {
            const double pitch = 160 + 60 * std::sin(kTwoPi * 0.7 * t);
            phase += kTwoPi * pitch / rate;
            const double f1 = 600 + 250 * std::sin(kTwoPi * 1.3 * t), f2 = 1500 + 600 * std::sin(kTwoPi * 0.9 * t);
            value = 0;
            for (int h = 1; pitch * h < 3800; ++h) {
                const double f = pitch * h;
                const double gain = 1 / (1 + std::pow((f - f1) / 150, 2)) + 0.5 / (1 + std::pow((f - f2) / 200, 2));
                value += gain * std::sin(h * phase) / h;
            }
            const double syllable = std::sin(kTwoPi * 2 * t);
            value *= 9000 * syllable * syllable;
        }
        samples[i] = static_cast<int16_t>(std::lround(value));
    }
    return samples;
}

double SnrDb(const std::vector<int16_t>& reference, const std::vector<int16_t>& decoded)
{
    double signal = 0, noise = 0;
    for (size_t i = 0; i < reference.size(); ++i) {
        const double error = static_cast<double>(decoded[i]) - reference[i];
        signal += static_cast<double>(reference[i]) * reference[i];
        noise += error * error;
    }
    return 10 * std::log10(signal / noise);
}

TEST(MediaDecoders, DecodeOfEncodeKeepsTheSignalAboveEachFormatsFloor)
{
    const struct {
        media::SpeechFormat format;
        bool speech;
        double floorDb;
    } cases[] = {
        { media::SpeechFormat::apm, false, 15 },
        { media::SpeechFormat::apm, true, 15 },
        { media::SpeechFormat::mdm, false, 30 },
        { media::SpeechFormat::mdm, true, 30 },
    };
    for (const auto& c : cases) {
        const std::vector<int16_t> resampled = tunemill::Resample(Signal(c.speech), 22050, 8000);
        const bool apm = c.format == media::SpeechFormat::apm;
        const std::vector<int16_t> decoded =
            media::DecodeSpeech(c.format, apm ? tunemill::EncodeApm(resampled) : tunemill::EncodeMdm(resampled));
        ASSERT_EQ(resampled.size(), decoded.size());  // an even count
        const double snr = SnrDb(resampled, decoded);
        std::printf("%s %s: %.1f dB\n", apm ? "APM" : "MDM", c.speech ? "speech" : "1 kHz tone", snr);
        EXPECT_GE(snr, c.floorDb) << (apm ? "APM" : "MDM") << (c.speech ? " speech" : " tone");
    }
}

TEST(MediaDecoders, FollowTheEncodersStateExactly)
{
    // Every code after every state the encoder reaches on a loud sweep, and
    // every mu-law byte.
    std::vector<uint8_t> codes;
    tunemill::ImaState encoder;
    for (int i = 0; i < 20000; ++i) {
        const double t = i / 8000.0;
        codes.push_back(tunemill::ImaEncode(encoder, static_cast<int16_t>(32767 * std::sin(kTwoPi * (50 + 400 * t) * t))));
        codes.push_back(static_cast<uint8_t>(i % 16));
    }
    std::vector<uint8_t> apm((codes.size() + 1) / 2);
    for (size_t i = 0; i < codes.size(); ++i)
        apm[i / 2] = static_cast<uint8_t>(apm[i / 2] | codes[i] << (i % 2 * 4));
    const std::vector<int16_t> decoded = media::DecodeSpeech(media::SpeechFormat::apm, apm);
    tunemill::ImaState reference;
    for (size_t i = 0; i < codes.size(); ++i)
        ASSERT_EQ(tunemill::ImaDecode(reference, codes[i]), decoded[i]) << i;
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(tunemill::MuLawDecode(static_cast<uint8_t>(code)), media::MuLawValue(static_cast<uint8_t>(code)));
}

TEST(MediaDecoders, ExpandsRgb565ByRepeatingTheTopBits)
{
    const std::vector<uint8_t> rbf = { 0x00, 0x00, 0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x10, 0x84, 0x21, 0x08 };
    const std::vector<uint8_t> rgb = { 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 132, 130, 132, 8, 4, 8 };
    EXPECT_EQ(rgb, media::DecodeRbf(rbf));
}

TEST(MediaDecoders, WaveHeaderAndPlaybackRate)
{
    uint8_t header[media::kWaveHeaderBytes];
    ASSERT_TRUE(media::MakeWaveHeader(22101, 6, header));
    EXPECT_EQ(std::string("RIFF*\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x55\x56\0\0\xAA\xAC\0\0\x02\0\x10\0data\x06\0\0\0", 44),
              std::string(reinterpret_cast<char*>(header), 44));
    EXPECT_FALSE(media::MakeWaveHeader(8000, 0xFFFFFFFFull, header));
    // 22050 Hz at 6144000 Hz: divider 2, count 138.
    EXPECT_EQ(22101u, media::PlaybackRate(6144000, 0, 138));
    EXPECT_EQ(8000u, media::PlaybackRate(6144000, 1, 191));
    EXPECT_EQ(0u, media::PlaybackRate(6144000, 3, 0));
}

}  // namespace

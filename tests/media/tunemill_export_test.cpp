// TuneMill.dll through its four exports, loaded from the test's folder as the
// program loads it: converted files and by-products byte for byte, the failure
// paths, and real MP3 decoding through the system's audio codecs.
#include "MediaFiles.h"
#include "Resample.h"
#include "SpeechCodec.h"
#include "Wave.h"
#include "WavBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

using namespace media_test;

namespace {

typedef int(__stdcall* ConvertFn)(const char*, const char*, const char*, int);

class TuneMillExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_library.Loaded()) << "TuneMill.dll beside the test";
        wavToApm = m_library.Get<ConvertFn>("ConvertWAVToAPMWithResample");
        mp3ToApm = m_library.Get<ConvertFn>("ConvertMP3ToAPMWithResample");
        wavToMdm = m_library.Get<ConvertFn>("ConvertWAVToMDMWithResample");
        mp3ToMdm = m_library.Get<ConvertFn>("ConvertMP3ToMDMWithResample");
        ASSERT_TRUE(wavToApm && mp3ToApm && wavToMdm && mp3ToMdm);
    }

    // Writes the source, converts it the way the program names the files, and
    // returns the export's result.
    int Convert(ConvertFn fn, const Bytes& source, int rate, const char* extension = "wav")
    {
        WriteAll(Source(extension), source);
        return fn(Source(extension).c_str(), First().c_str(), Converted().c_str(), rate);
    }

    std::string Source(const char* extension = "wav") const { return m_folder / (std::string("a.") + extension); }
    std::string First() const { return m_folder / "a.byproduct"; }
    std::string Converted() const { return m_folder / "a.rbf"; }

    Library m_library{"TuneMill.dll"};
    ScratchFolder m_folder;
    ConvertFn wavToApm = nullptr, mp3ToApm = nullptr, wavToMdm = nullptr, mp3ToMdm = nullptr;
};

std::vector<int16_t> WavSamples(const Bytes& wav)
{
    std::vector<int16_t> samples;
    for (size_t i = 44; i + 1 < wav.size(); i += 2)
        samples.push_back(static_cast<int16_t>(wav[i] | (wav[i + 1] << 8)));
    return samples;
}

// ---- WAV sources -----------------------------------------------------------

TEST_F(TuneMillExport, WavToMdmIsMuLawOfEachSample)
{
    ASSERT_NE(0, Convert(wavToMdm, MakeWav16Mono(8000, {0, 1000, -1000, 32767, -32768, 100}), 8000));
    EXPECT_EQ(Bytes({0xFF, 0xCE, 0x4E, 0x80, 0x00, 0xF2}), ReadAll(Converted()));
}

TEST_F(TuneMillExport, WavToApmIsImaAdpcmLowNibbleFirst)
{
    ASSERT_NE(0, Convert(wavToApm, MakeWav16Mono(8000, {1000, 1000, 0}), 8000));
    EXPECT_EQ(Bytes({0x77, 0x0C}), ReadAll(Converted()));
}

TEST_F(TuneMillExport, EightBitStereoIsMixedAndWidened)
{
    // Left 0xC0 (+16384), right 0x40 (-16384): the mix is silence. Then both 0xC0.
    WavSpec layout;
    layout.bits = 8;
    layout.channels = 2;
    ASSERT_NE(0, Convert(wavToMdm, MakeWav(layout, {0xC0, 0x40, 0xC0, 0xC0, 0xC0, 0xC0}), 8000));
    EXPECT_EQ(Bytes({0xFF, 0x8F, 0x8F}), ReadAll(Converted()));
}

TEST_F(TuneMillExport, ExtensiblePcmIsAccepted)
{
    WavSpec layout;
    layout.formatTag = 0xFFFE;
    ASSERT_NE(0, Convert(wavToMdm, MakeWav(layout, {1000, -1000}), 8000));
    EXPECT_EQ(Bytes({0xCE, 0x4E}), ReadAll(Converted()));
}

TEST_F(TuneMillExport, ResampledLengthIsTheRoundedProportion)
{
    // 1000 frames of 44100 Hz stereo at 8000 Hz: round(181.4) = 181 samples.
    WavSpec layout;
    layout.rate = 44100;
    layout.channels = 2;
    std::vector<int> frames;
    for (int i = 0; i < 1000; ++i) {
        frames.push_back(3000);
        frames.push_back(-3000);
    }
    ASSERT_NE(0, Convert(wavToMdm, MakeWav(layout, frames), 8000));
    EXPECT_EQ(Bytes(181, 0xFF), ReadAll(Converted()));

    ASSERT_NE(0, Convert(wavToApm, MakeWav(layout, frames), 8000));
    EXPECT_EQ(Bytes(91, 0x00), ReadAll(Converted()));  // 181 nibbles of silence
}

TEST_F(TuneMillExport, UpsamplingIsBandLimited)
{
    // 4000 Hz to 8000 Hz: the step from 0 to 16384 rings as the band-limited
    // filter makes it (values of the filter evaluated directly, as in the
    // resampler's own tests).
    ASSERT_NE(0, Convert(wavToMdm, MakeWav16Mono(4000, {0, 16384}), 8000));
    const std::vector<int16_t> expected = {475, 8192, 15909, 18575};
    EXPECT_EQ(expected, WavSamples(ReadAll(First())));
    EXPECT_EQ(tunemill::EncodeMdm(expected), ReadAll(Converted()));
}

TEST_F(TuneMillExport, LongInputIsConvertedInPiecesAsAWhole)
{
    // 3 s of 44100 Hz stereo noise: far more than one piece of every stage.
    WavSpec layout;
    layout.rate = 44100;
    layout.channels = 2;
    std::vector<int> frames(2 * 3 * 44100);
    uint32_t seed = 7;
    for (int& v : frames) {
        seed = seed * 1103515245u + 12345u;
        v = static_cast<int16_t>(seed >> 16) / 2;
    }
    const Bytes wav = MakeWav(layout, frames);
    tunemill::PcmAudio audio;
    ASSERT_TRUE(tunemill::ParseWav(wav.data(), wav.size(), audio));
    for (int rate : {8000, 16000}) {
        const std::vector<int16_t> resampled = tunemill::Resample(tunemill::MixToMono(audio), 44100, rate);
        ASSERT_NE(0, Convert(wavToApm, wav, rate)) << rate;
        const Bytes apm = tunemill::EncodeApm(resampled);
        EXPECT_EQ(apm, ReadAll(Converted())) << rate;
        EXPECT_EQ(tunemill::MakeApmDescription(apm, rate, resampled.size()), ReadAll(Converted() + ".apm")) << rate;
        EXPECT_EQ(tunemill::MakeWav16Mono(resampled, rate), ReadAll(First())) << rate;

        ASSERT_NE(0, Convert(wavToMdm, wav, rate)) << rate;
        const Bytes mdm = tunemill::EncodeMdm(resampled);
        EXPECT_EQ(mdm, ReadAll(Converted())) << rate;
        const std::string text = tunemill::MakeMdmHeader(mdm, rate);
        EXPECT_EQ(Bytes(text.begin(), text.end()), ReadAll(Converted() + ".h")) << rate;
    }
}

TEST_F(TuneMillExport, FirstByProductIsTheResampledMonoWav)
{
    WavSpec layout;
    layout.rate = 22050;
    layout.channels = 2;
    std::vector<int> frames;
    for (int i = 0; i < 2205; ++i) {  // 0.1 s
        frames.push_back(i);
        frames.push_back(i + 2);
    }
    ASSERT_NE(0, Convert(wavToApm, MakeWav(layout, frames), 11025));
    const Bytes wav = ReadAll(First());
    ASSERT_EQ(44u + 2 * 1103, wav.size());  // round(2205 / 2) = 1103 samples
    Bytes header;
    PutTag(header, "RIFF");
    Put32(header, 36 + 2206);
    PutTag(header, "WAVE");
    PutTag(header, "fmt ");
    Put32(header, 16);
    Put16(header, 1);
    Put16(header, 1);
    Put32(header, 11025);
    Put32(header, 22050);
    Put16(header, 2);
    Put16(header, 16);
    PutTag(header, "data");
    Put32(header, 2206);
    EXPECT_EQ(header, Bytes(wav.begin(), wav.begin() + 44));
    const std::vector<int16_t> samples = WavSamples(wav);
    EXPECT_EQ(1, samples[0]);        // (0 + 2) / 2
    EXPECT_EQ(201, samples[100]);    // source frame 200
    EXPECT_EQ(2205, samples[1102]);  // past the end: the last frame, (2204 + 2206) / 2
    EXPECT_EQ(552u, ReadAll(Converted()).size());
}

TEST_F(TuneMillExport, ApmSecondByProductDescribesTheData)
{
    ASSERT_NE(0, Convert(wavToApm, MakeWav16Mono(8000, {1000, 1000, 0}), 8000));
    const Bytes expected = {'A', 'P', 'M', '1', 0x40, 0x1F, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 0x77, 0x0C};
    EXPECT_EQ(expected, ReadAll(Converted() + ".apm"));
    EXPECT_FALSE(Exists(Converted() + ".h"));
}

TEST_F(TuneMillExport, MdmSecondByProductIsACHeader)
{
    ASSERT_NE(0, Convert(wavToMdm, MakeWav16Mono(8000, {0, 1000, -1000}), 8000));
    const Bytes header = ReadAll(Converted() + ".h");
    const std::string text(header.begin(), header.end());
    EXPECT_NE(std::string::npos, text.find("#define MDM_LENGTH 3\n"));
    EXPECT_NE(std::string::npos, text.find("    0xFF, 0xCE, 0x4E,\n};\n"));
    EXPECT_FALSE(Exists(Converted() + ".apm"));
}

TEST_F(TuneMillExport, ReplacesAnOlderLongerConvertedFile)
{
    WriteAll(Converted(), Bytes(5000, 0x55));
    ASSERT_NE(0, Convert(wavToMdm, MakeWav16Mono(8000, {0, 0}), 8000));
    EXPECT_EQ(Bytes({0xFF, 0xFF}), ReadAll(Converted()));
}

TEST_F(TuneMillExport, WorksWithoutAFirstByProductPath)
{
    WriteAll(Source(), MakeWav16Mono(8000, {0, 0}));
    ASSERT_NE(0, wavToMdm(Source().c_str(), nullptr, Converted().c_str(), 8000));
    EXPECT_EQ(Bytes({0xFF, 0xFF}), ReadAll(Converted()));
}

TEST_F(TuneMillExport, UnwritableByProductsDoNotFailTheConversion)
{
    WriteAll(Source(), MakeWav16Mono(8000, {0, 0}));
    const std::string nowhere = m_folder / "missing\\a.byproduct";
    ASSERT_NE(0, wavToMdm(Source().c_str(), nowhere.c_str(), Converted().c_str(), 8000));
    EXPECT_EQ(Bytes({0xFF, 0xFF}), ReadAll(Converted()));
}

// ---- Failures: result 0 and nothing written --------------------------------

TEST_F(TuneMillExport, MissingSourceFails)
{
    for (ConvertFn fn : {wavToApm, wavToMdm, mp3ToApm, mp3ToMdm})
        EXPECT_EQ(0, fn(Source().c_str(), First().c_str(), Converted().c_str(), 8000));
    EXPECT_TRUE(m_folder.Files().empty());
}

TEST_F(TuneMillExport, BadOrUnsupportedWavFails)
{
    Bytes garbage(200, 0x41);
    EXPECT_EQ(0, Convert(wavToApm, garbage, 8000));
    Bytes rifx = MakeWav16Mono(8000, {1, 2, 3});
    std::memcpy(rifx.data(), "RIFX", 4);
    EXPECT_EQ(0, Convert(wavToMdm, rifx, 8000));
    WavSpec layout;
    layout.bits = 24;
    EXPECT_EQ(0, Convert(wavToMdm, MakeWav(layout, {1, 2, 3}), 8000));
    layout = WavSpec();
    layout.formatTag = 3;  // IEEE float
    EXPECT_EQ(0, Convert(wavToApm, MakeWav(layout, {1, 2}), 8000));
    EXPECT_EQ(0, Convert(wavToApm, Bytes(), 8000)) << "empty file";
    EXPECT_EQ(0, Convert(wavToApm, MakeWav16Mono(8000, {}), 8000)) << "no samples";
    const std::vector<std::string> left = m_folder.Files();
    EXPECT_EQ(std::vector<std::string>({"a.wav"}), left);
}

TEST_F(TuneMillExport, TargetRateMustBePositive)
{
    const Bytes wav = MakeWav16Mono(8000, {1, 2, 3, 4});
    for (int rate : {0, -1, -8000, tunemill::kMaxTargetRate + 1})
        for (ConvertFn fn : {wavToApm, wavToMdm})
            EXPECT_EQ(0, Convert(fn, wav, rate)) << rate;
    EXPECT_EQ(0, Convert(mp3ToApm, wav, 0, "mp3"));
    EXPECT_FALSE(Exists(Converted()));
    EXPECT_FALSE(Exists(First()));
}

TEST_F(TuneMillExport, OverflowingOrOversizedOutputIsRefusedWithNothingWritten)
{
    // 11200 frames declared at 1 Hz, to 192000 Hz: 2150400000 samples, whose
    // byte count passes 32 bits.
    WavSpec layout;
    layout.bits = 8;
    layout.rate = 1;
    const Bytes slow = MakeWav(layout, std::vector<int>(11200, 0x80));
    // One sample over the MDM maximum of 16777216: 2097153 frames x 8.
    layout.rate = 1000;
    const Bytes overMdm = MakeWav(layout, std::vector<int>(2097153, 0x80));
    // An MP3 of 1500 empty MPEG-2.5 frames (576 samples at 8000 Hz each):
    // 20736000 samples at 192000 Hz, known from the frame headers alone.
    Bytes mp3;
    for (int i = 0; i < 1500; ++i) {
        const size_t start = mp3.size();
        mp3.resize(start + 72, 0);
        mp3[start] = 0xFF, mp3[start + 1] = 0xE3, mp3[start + 2] = 0x18, mp3[start + 3] = 0xC4;
    }
    for (ConvertFn fn : {wavToApm, wavToMdm})
        EXPECT_EQ(0, Convert(fn, slow, 192000));
    EXPECT_EQ(0, Convert(wavToMdm, overMdm, 8000));
    EXPECT_EQ(0, Convert(mp3ToMdm, mp3, 192000, "mp3"));
    std::vector<std::string> left = m_folder.Files();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(std::vector<std::string>({"a.mp3", "a.wav"}), left);
}

TEST_F(TuneMillExport, WavGivenToTheMp3ExportsFails)
{
    const Bytes wav = MakeWav16Mono(8000, Sine(800, 8000, 440, 1000));
    EXPECT_EQ(0, Convert(mp3ToApm, wav, 8000, "mp3"));
    EXPECT_EQ(0, Convert(mp3ToMdm, wav, 8000, "mp3"));
    EXPECT_FALSE(Exists(Converted()));
}

TEST_F(TuneMillExport, UnwritableConvertedPathFailsAndLeavesNothing)
{
    WriteAll(Source(), MakeWav16Mono(8000, {1, 2, 3, 4}));
    const std::string nowhere = m_folder / "missing\\a.rbf";
    EXPECT_EQ(0, wavToMdm(Source().c_str(), First().c_str(), nowhere.c_str(), 8000));
    EXPECT_EQ(0, wavToApm(Source().c_str(), First().c_str(), "", 8000));
    EXPECT_EQ(0, wavToApm(Source().c_str(), First().c_str(), nullptr, 8000));
    EXPECT_EQ(0, wavToApm(nullptr, First().c_str(), Converted().c_str(), 8000));

    // A folder where the converted file should go.
    ASSERT_TRUE(CreateDirectoryA(Converted().c_str(), nullptr));
    EXPECT_EQ(0, wavToApm(Source().c_str(), First().c_str(), Converted().c_str(), 8000));
    RemoveDirectoryA(Converted().c_str());

    EXPECT_EQ(std::vector<std::string>({"a.wav"}), m_folder.Files()) << "no by-product either";
}

// ---- MP3 sources, decoded by the system's MPEG Layer-3 codec ----------------

struct Measure {
    size_t count = 0;
    double rms = 0;
    int peak = 0;
    double crossingsPerSecond = 0;
};

// Level and pitch of the middle of a signal, away from codec delay and fades.
Measure MeasureMiddle(const std::vector<int16_t>& samples, unsigned rate)
{
    Measure m;
    m.count = samples.size();
    const size_t from = samples.size() / 4, to = samples.size() * 3 / 4;
    double sum = 0;
    int crossings = 0;
    for (size_t i = from; i < to; ++i) {
        sum += static_cast<double>(samples[i]) * samples[i];
        m.peak = std::max(m.peak, std::abs(static_cast<int>(samples[i])));
        if (i > from && (samples[i - 1] < 0) != (samples[i] < 0))
            ++crossings;
    }
    const double span = static_cast<double>(to - from);
    m.rms = std::sqrt(sum / span);
    m.crossingsPerSecond = crossings * static_cast<double>(rate) / span;
    return m;
}

std::string Fixture(const char* name) { return ExeFolder() + "media\\" + name; }

TEST_F(TuneMillExport, Mp3MonoDecodesToTheTone)
{
    // 1 s of 440 Hz, amplitude 12000, 22050 Hz mono (MPEG-2) at 64 kbit/s.
    const Bytes mp3 = ReadAll(Fixture("tone_22050_mono.mp3"));
    ASSERT_GT(mp3.size(), 1000u) << "fixture made by lame at build time";
    ASSERT_NE(0, Convert(mp3ToMdm, mp3, 8000, "mp3"));

    const std::vector<int16_t> pcm = WavSamples(ReadAll(First()));
    const Measure m = MeasureMiddle(pcm, 8000);
    EXPECT_GE(m.count, 8000u * 98 / 100);  // the tone, give or take the codec's delay and padding
    EXPECT_LE(m.count, 8000u * 115 / 100);
    EXPECT_NEAR(12000 / std::sqrt(2.0), m.rms, 12000 * 0.1);
    EXPECT_NEAR(12000, m.peak, 12000 * 0.15);
    EXPECT_NEAR(880, m.crossingsPerSecond, 30);

    // The converted file is the mu-law of exactly that audio.
    const Bytes mdm = ReadAll(Converted());
    ASSERT_EQ(pcm.size(), mdm.size());
    for (size_t i = 0; i < pcm.size(); ++i)
        ASSERT_EQ(tunemill::MuLawEncode(pcm[i]), mdm[i]) << i;
    const std::string text = tunemill::MakeMdmHeader(mdm, 8000);
    EXPECT_EQ(Bytes(text.begin(), text.end()), ReadAll(Converted() + ".h"));
}

TEST_F(TuneMillExport, Mp3StereoIsMixedToMono)
{
    // 1 s of 440 Hz, 44100 Hz (MPEG-1), left at amplitude 12000, right silent:
    // the mono mix has half the amplitude.
    const Bytes mp3 = ReadAll(Fixture("tone_44100_stereo.mp3"));
    ASSERT_GT(mp3.size(), 1000u) << "fixture made by lame at build time";
    ASSERT_NE(0, Convert(mp3ToApm, mp3, 16000, "mp3"));

    const std::vector<int16_t> pcm = WavSamples(ReadAll(First()));
    const Measure m = MeasureMiddle(pcm, 16000);
    EXPECT_GE(m.count, 16000u * 98 / 100);
    EXPECT_LE(m.count, 16000u * 115 / 100);
    EXPECT_NEAR(6000 / std::sqrt(2.0), m.rms, 6000 * 0.12);
    EXPECT_NEAR(880, m.crossingsPerSecond, 30);

    // The APM data decodes back to the same tone.
    const Bytes apm = ReadAll(Converted());
    ASSERT_EQ((pcm.size() + 1) / 2, apm.size());
    tunemill::ImaState state;
    std::vector<int16_t> decoded;
    for (size_t i = 0; i < pcm.size(); ++i)
        decoded.push_back(tunemill::ImaDecode(state, (i & 1) ? apm[i / 2] >> 4 : apm[i / 2] & 0x0F));
    const Measure d = MeasureMiddle(decoded, 16000);
    EXPECT_NEAR(m.rms, d.rms, m.rms * 0.1);
    EXPECT_NEAR(880, d.crossingsPerSecond, 40);

    const Bytes description = ReadAll(Converted() + ".apm");
    ASSERT_EQ(16 + apm.size(), description.size());
    EXPECT_EQ(0, std::memcmp(description.data() + 16, apm.data(), apm.size()));
}

TEST_F(TuneMillExport, TruncatedOrDamagedMp3StillGivesWhatItHolds)
{
    const Bytes mp3 = ReadAll(Fixture("tone_22050_mono.mp3"));
    ASSERT_GT(mp3.size(), 1000u);
    ASSERT_NE(0, Convert(mp3ToMdm, Bytes(mp3.begin(), mp3.begin() + mp3.size() / 2), 8000, "mp3"));
    const size_t half = ReadAll(Converted()).size();
    EXPECT_GT(half, 3000u);
    EXPECT_LT(half, 5500u);

    // Junk in the middle: the frame count made in advance stops there, the
    // decoder goes on after it, so the C text is written again with the
    // length that came out.
    Bytes damaged = mp3;
    damaged.insert(damaged.begin() + damaged.size() / 2, 300, 0);
    ASSERT_NE(0, Convert(mp3ToMdm, damaged, 8000, "mp3"));
    const Bytes mdm = ReadAll(Converted());
    EXPECT_GT(mdm.size(), half + 3000);
    const std::string text = tunemill::MakeMdmHeader(mdm, 8000);
    EXPECT_EQ(Bytes(text.begin(), text.end()), ReadAll(Converted() + ".h"));
}

TEST_F(TuneMillExport, Mp3WithoutFramesFails)
{
    Bytes notMp3(4000, 0);
    notMp3[0] = 'I';
    notMp3[1] = 'D';
    notMp3[2] = '3';
    notMp3[3] = 3;  // an ID3 tag of 0 bytes, then nothing
    EXPECT_EQ(0, Convert(mp3ToMdm, notMp3, 8000, "mp3"));
    EXPECT_FALSE(Exists(Converted()));
}

}  // namespace

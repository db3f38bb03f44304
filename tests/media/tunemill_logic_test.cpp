// The audio converter's pure parts: WAV parsing, mixing, resampling, the two
// speech encodings, the by-product formats and MP3 frame headers.
#include "Mp3.h"
#include "Resample.h"
#include "SpeechCodec.h"
#include "Wave.h"
#include "WavBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

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
}

TEST(TuneMillResample, InterpolatesBetweenNeighbours)
{
    // Doubling: positions 0, 0.5, 1, 1.5 (the last past the end repeats 100).
    EXPECT_EQ(Samples({0, 50, 100, 100}), ResampleLinear(Samples({0, 100}), 1, 2));
    // 3 to 2: positions 0, 1.5, 3, 4.5.
    EXPECT_EQ(Samples({0, 15, 30, 45}), ResampleLinear(Samples({0, 10, 20, 30, 40, 50}), 3, 2));
    // 44100 to 8000: output sample 1 sits at 5.5125.
    std::vector<int16_t> ramp(11);
    for (int i = 0; i < 11; ++i)
        ramp[i] = static_cast<int16_t>(i * 1000);
    const std::vector<int16_t> out = ResampleLinear(ramp, 44100, 8000);
    ASSERT_EQ(2u, out.size());
    EXPECT_EQ(0, out[0]);
    EXPECT_EQ(5513, out[1]);  // 5512.5 rounds away from zero
}

TEST(TuneMillResample, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(Samples({0, 1, 1, 1}), ResampleLinear(Samples({0, 1}), 1, 2));
    EXPECT_EQ(Samples({0, -1, -1, -1}), ResampleLinear(Samples({0, -1}), 1, 2));
}

TEST(TuneMillResample, KeepsExtremesAndEqualRates)
{
    const std::vector<int16_t> loud = Samples({32767, -32768, 32767, -32768});
    EXPECT_EQ(loud, ResampleLinear(loud, 8000, 8000));
    const std::vector<int16_t> up = ResampleLinear(loud, 8000, 24000);
    ASSERT_EQ(12u, up.size());
    EXPECT_EQ(32767, up[0]);
    EXPECT_EQ(-32768, up[3]);
    EXPECT_TRUE(ResampleLinear({}, 8000, 16000).empty());
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

TEST(TuneMillByProducts, BuildRefusesRatesOutOfRange)
{
    PcmAudio audio;
    audio.sampleRate = 8000;
    audio.channels = 1;
    audio.samples = Samples({1, 2, 3, 4});
    SpeechFiles files;
    EXPECT_FALSE(BuildSpeechFiles(audio, SpeechFormat::Apm, 0, files));
    EXPECT_FALSE(BuildSpeechFiles(audio, SpeechFormat::Apm, -8000, files));
    EXPECT_FALSE(BuildSpeechFiles(audio, SpeechFormat::Mdm, kMaxTargetRate + 1, files));
    EXPECT_FALSE(BuildSpeechFiles(audio, SpeechFormat::Mdm, 500, files)) << "nothing left at 500 Hz";
    ASSERT_TRUE(BuildSpeechFiles(audio, SpeechFormat::Mdm, kMaxTargetRate, files));
    EXPECT_EQ(96u, files.resampled.size());
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

}  // namespace

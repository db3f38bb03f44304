// Which converter export a source file gets, and the names around it.
#include "ConversionPlan.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

TEST(ConversionPlanTest, FormatThenExtensionChooseTheExportWithoutRegardToCase)
{
    AudioConversion plan;
    ASSERT_TRUE(PlanAudioConversion("apm", "C:\\x\\Clip.Wav", "C:\\x\\Clip.Wav.rbf", &plan));
    EXPECT_STREQ("ConvertWAVToAPMWithResample", plan.exportName);
    ASSERT_TRUE(PlanAudioConversion("APM", "a.MP3", "a.MP3.rbf", &plan));
    EXPECT_STREQ("ConvertMP3ToAPMWithResample", plan.exportName);
    ASSERT_TRUE(PlanAudioConversion("Mdm", "a.mp3", "a.mp3.rbf", &plan));
    EXPECT_STREQ("ConvertMP3ToMDMWithResample", plan.exportName);
    ASSERT_TRUE(PlanAudioConversion("MDM", "a.wav", "a.wav.rbf", &plan));
    EXPECT_STREQ("ConvertWAVToMDMWithResample", plan.exportName);
}

TEST(ConversionPlanTest, ByProductsFollowTheFormat)
{
    AudioConversion plan;
    ASSERT_TRUE(PlanAudioConversion("MDM", "a.wav", "a.wav.rbf", &plan));
    EXPECT_EQ("a.wav.mdm", plan.firstByProduct);
    EXPECT_EQ("a.wav.rbf.h", plan.secondByProduct);
    ASSERT_TRUE(PlanAudioConversion("APM", "a.wav", "a.wav.rbf", &plan));
    EXPECT_EQ("a.wav.apm", plan.firstByProduct);
    EXPECT_EQ("a.wav.rbf.apm", plan.secondByProduct);
}

TEST(ConversionPlanTest, OtherExtensionsFormatsAndOverlongPathsHaveNoConverter)
{
    AudioConversion plan;
    EXPECT_FALSE(PlanAudioConversion("APM", "song.mp3.bak", "song.mp3.bak.rbf", &plan));
    EXPECT_FALSE(PlanAudioConversion("APM", "C:\\music\\noextension", "C:\\music\\noextension.rbf", &plan));
    EXPECT_FALSE(PlanAudioConversion("ADPCM", "a.wav", "a.wav.rbf", &plan));
    EXPECT_FALSE(PlanAudioConversion("", "a.wav", "a.wav.rbf", &plan));
    // The longest name, converted path + ".apm", must fit 260 with its terminator.
    std::string fits = "C:\\" + std::string(243, 'a') + ".wav";   // 250 characters
    ASSERT_EQ(250u, fits.size());
    EXPECT_TRUE(PlanAudioConversion("APM", fits, ConvertedPath(fits), &plan));
    EXPECT_EQ(258u, plan.secondByProduct.size());
    std::string tooLong = "C:\\" + std::string(245, 'a') + ".wav";  // 252 characters
    EXPECT_FALSE(PlanAudioConversion("APM", tooLong, ConvertedPath(tooLong), &plan));
}

TEST(ConversionPlanTest, ExtensionAndConvertedName)
{
    EXPECT_EQ("Wav", FileExtension("C:\\x\\Clip.Wav"));
    EXPECT_EQ("bak", FileExtension("song.mp3.bak"));
    EXPECT_EQ("C:\\music\\noext", FileExtension("C:\\music\\noext"));
    EXPECT_EQ("a.png.rbf", ConvertedPath("a.png"));
}

// A file's bytes as the diagnoses read them.
ReadAt Reader(const std::string& bytes)
{
    return [bytes](uint64_t offset, void* buffer, size_t size) {
        return offset <= bytes.size() && size <= bytes.size() - offset
               && memcpy(buffer, bytes.data() + static_cast<size_t>(offset), size);
    };
}

std::string Le(uint32_t value, int bytes)
{
    return bytes ? std::string(1, static_cast<char>(value)) + Le(value >> 8, bytes - 1) : std::string();
}

TEST(ConversionPlanTest, PicturesAreToldByTheirFirstBytesAndDeclaredSize)
{
    auto bmp = [](uint32_t w, uint32_t h) { return "BM" + Le(0, 12) + Le(40, 4) + Le(w, 4) + Le(h, 4); };
    const struct {
        std::string bytes;
        ConversionProblem problem;
        uint64_t width, height;
    } cases[] = {
        { bmp(128, static_cast<uint32_t>(-96)), ConversionProblem::unknown, 0, 0 },  // top-down
        { bmp(70000, 1), ConversionProblem::pictureSize, 70000, 1 },
        { "\x89PNG\r\n\x1A\n" + Le(0, 10) + "\x20" + Le(0, 3) + "\x18\x01", ConversionProblem::pictureSize, 8192, 6145 },
        { "GIF89a" + Le(0, 2) + Le(5, 2), ConversionProblem::pictureSize, 0, 5 },
        { std::string("\xFF\xD8\xFF\xE0\x00\x04..\xFF\xC0\x00\x11\x08\x75\x30\x75\x30", 17), ConversionProblem::pictureSize,
          30000, 30000 },
        { "GIF88a and more", ConversionProblem::unsupportedKind, 0, 0 },
        { "", ConversionProblem::empty, 0, 0 },
    };
    for (const auto& c : cases) {
        const ConversionDiagnosis d = DiagnosePicture(Reader(c.bytes), c.bytes.size());
        EXPECT_EQ(c.problem, d.problem) << c.bytes;
        EXPECT_EQ(c.width * 100000 + c.height, d.width * 100000 + d.height) << c.bytes;
    }
}

TEST(ConversionPlanTest, AudioIsToldByItsPathSizeRateAndWaveHeader)
{
    const ConversionDiagnosis longPath = DiagnoseAudioPlan("APM", std::string(252, 'a') + ".wav");
    EXPECT_EQ("its path is 256 characters long; the builder takes at most 251", ConversionProblemText(longPath, true));
    auto wave = [](uint32_t tag, uint32_t bits, uint32_t dataBytes) {
        return "RIFF" + Le(0, 4) + "WAVEfmt " + Le(16, 4) + Le(tag, 2) + Le(1, 2) + Le(8000, 10) + Le(bits, 2) + "data"
               + Le(dataBytes, 4) + std::string(dataBytes, '\x80');
    };
    const struct {
        std::string bytes;
        uint64_t size;  // 0: the bytes' own
        int rate;
        ConversionProblem problem;
    } cases[] = {
        { wave(1, 8, 100), 0, 8000, ConversionProblem::unknown },
        { wave(3, 32, 100), 0, 8000, ConversionProblem::unsupportedKind },
        { wave(1, 16, 0), 0, 8000, ConversionProblem::empty },
        { wave(1, 8, 100), 0, 192001, ConversionProblem::rateOutOfRange },
        { "RIFX", 0, 8000, ConversionProblem::unsupportedKind },
        { wave(1, 8, 100), kAudioSourceMaxBytes + 1, 8000, ConversionProblem::tooLarge },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.problem, DiagnoseAudioSource(Reader(c.bytes), c.size ? c.size : c.bytes.size(), "wav", "APM",
                                                 c.rate).problem) << c.bytes.size() << " " << c.rate;
}

}  // namespace

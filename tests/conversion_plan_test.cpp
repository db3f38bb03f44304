// Which converter export a source file gets, and the names around it.
#include "ConversionPlan.h"
#include <gtest/gtest.h>

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

}  // namespace

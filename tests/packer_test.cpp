// The packed image, byte for byte, and the arithmetic of its audio records.
#include "Packer.h"
#include "StagedFile.h"
#include "StringConv.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// size bytes that differ from their neighbours and from any other seed's.
Bytes Pattern(size_t size, uint8_t seed)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    return bytes;
}

TEST(BankAddressTest, FlashAddressesMapIntoTheUpperBanksWindow)
{
    EXPECT_EQ(0x80800Au, BankAddress(0x400000 + 10));      // bytes 0A 80 80
    EXPECT_EQ(0x818000u, BankAddress(0x400000 + 0x8000));  // bytes 00 80 81
    EXPECT_EQ(0x808000u, BankAddress(0x400000));
    EXPECT_EQ(0x80FFFFu, BankAddress(0x407FFF));
    EXPECT_EQ(0xFFFFFFu, BankAddress(0x7FFFFF));
}

TEST(BankAddressTest, BankZeroIsThePlainOffset)
{
    EXPECT_EQ(0u, BankAddress(0));
    EXPECT_EQ(0x1234u, BankAddress(0x1234));
    EXPECT_EQ(0x7FFFu, BankAddress(0x7FFF));
    EXPECT_EQ(0x018000u, BankAddress(0x8000));
    EXPECT_EQ(0x02A345u, BankAddress(0x12345));
}

TEST(BankAddressTest, NoBankedFormFrom0x800000)
{
    EXPECT_EQ(0xFFFFFFFFu, BankAddress(0x800000));
    EXPECT_EQ(0xFFFFFFFFu, BankAddress(0x80000A));
    EXPECT_EQ(0xFFFFFFFFu, BankAddress(0xFFFFFFFF));
}

struct TimerCase {
    uint32_t clock, rate;
    int prescaler, timerCount;
};

TEST(TimerSettingsTest, PrescalerRowsAndTheirDividers)
{
    // One case on each side of every boundary of the table; the timer count
    // shows the divider of the row.
    const TimerCase cases[] = {
        {3999999, 7899, 1, 126}, {3999999, 7900, 0, 252},   {4000000, 6899, 2, 71},
        {6999999, 6900, 1, 253}, {4000000, 13699, 1, 72},   {4000000, 13700, 0, 145},
        {7000000, 8899, 2, 97},  {7000000, 8900, 1, 196},   {7000000, 17699, 1, 98},
        {7000000, 17700, 0, 197},
    };
    for (const TimerCase& c : cases) {
        uint8_t p = 9, t = 0;
        EXPECT_EQ(1, TimerSettings(c.clock, c.rate, &p, &t));
        EXPECT_EQ(c.prescaler, p) << c.clock << " Hz / " << c.rate << " Hz";
        EXPECT_EQ(c.timerCount, t) << c.clock << " Hz / " << c.rate << " Hz";
    }
}

TEST(TimerSettingsTest, DefaultsAndTwelveMegahertz)
{
    uint8_t p, t;
    TimerSettings(6144000, 8000, &p, &t);
    EXPECT_EQ(1, p);
    EXPECT_EQ(191, t);
    TimerSettings(12000000, 8000, &p, &t);
    EXPECT_EQ(2, p);
    EXPECT_EQ(187, t);
}

TEST(TimerSettingsTest, PeriodsRoundHalfUp)
{
    uint8_t p, t;
    TimerSettings(6144000 + 16000, 8000, &p, &t);  // 192.5 periods of 32000
    EXPECT_EQ(192, t);
    TimerSettings(6144000 + 15999, 8000, &p, &t);
    EXPECT_EQ(191, t);
}

TEST(TimerSettingsTest, ClockBelowFourMegahertzNeverTakesPrescaler2)
{
    for (uint32_t rate : {0u, 1u, 100u, 6899u, 7899u, 7900u, 8899u, 17700u, 99999u, 0xFFFFFFFFu}) {
        uint8_t p = 9, t;
        TimerSettings(3000000, rate, &p, &t);
        EXPECT_TRUE(p == 0 || p == 1) << rate;
    }
}

TEST(TimerSettingsTest, CountIsKeptToEightBits)
{
    uint8_t p, t;
    TimerSettings(1000, 8000, &p, &t);  // quotient 0
    EXPECT_EQ(0, p);
    EXPECT_EQ(0xFF, t);
    TimerSettings(0, 8000, &p, &t);
    EXPECT_EQ(0xFF, t);
    TimerSettings(12000000, 100, &p, &t);  // 15000 periods: 14999 wraps
    EXPECT_EQ(2, p);
    EXPECT_EQ(0x97, t);
}

TEST(TimerSettingsTest, RatesWithoutADivisorDoNotDivideByZero)
{
    uint8_t p, t;
    EXPECT_EQ(1, TimerSettings(6144000, 0, &p, &t));
    EXPECT_EQ(2, p);
    EXPECT_EQ(0xFF, t);
    // Twice this rate is 2^32, 0 in 32 bits.
    EXPECT_EQ(1, TimerSettings(6144000, 0x80000000u, &p, &t));
    EXPECT_EQ(0, p);
    EXPECT_EQ(0xFF, t);
    // Twice this rate is 2 in 32 bits, which would give 3072001 periods.
    EXPECT_EQ(1, TimerSettings(6144001, 0x80000001u, &p, &t));
    EXPECT_EQ(0xFF, t);
}

// Each test packs in a folder of its own under the temporary directory.
class PackerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        ASSERT_NE(0u, ::GetTempPathA(MAX_PATH, temp));
        char name[64];
        snprintf(name, sizeof(name), "packer_test_%lu_%lu\\", ::GetCurrentProcessId(), ::GetTickCount());
        m_dir = std::string(temp) + name;
        ASSERT_TRUE(::CreateDirectoryA(m_dir.c_str(), nullptr));
        m_output = m_dir + "PackedImageFile.bin";
    }

    void TearDown() override
    {
        WIN32_FIND_DATAA found;
        HANDLE find = ::FindFirstFileA((m_dir + "*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                ::DeleteFileA((m_dir + found.cFileName).c_str());
            } while (::FindNextFileA(find, &found));
            ::FindClose(find);
        }
        ::RemoveDirectoryA(m_dir.c_str());
    }

    std::string Put(const std::string& name, const Bytes& bytes)
    {
        std::string path = m_dir + name;
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        EXPECT_TRUE(file.good()) << path;
        return path;
    }

    Bytes Output() const
    {
        std::ifstream file(m_output, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    bool OutputExists() const { return ::GetFileAttributesA(m_output.c_str()) != INVALID_FILE_ATTRIBUTES; }

    // A packed image of an earlier run, which a failed pack must not leave.
    void PutOldOutput() { Put("PackedImageFile.bin", Pattern(100, 0xEE)); }

    int Pack(const std::vector<std::string>& audio, const std::vector<std::string>& images, const PackParams& params)
    {
        return PackImage(audio, images, m_output, params);
    }

    static PackParams Params(uint32_t audioStart, uint32_t imageStart)
    {
        PackParams params;
        params.audioStart = audioStart;
        params.imageStart = imageStart;
        return params;
    }

    std::string m_dir, m_output;
};

TEST_F(PackerTest, TwoClipsWithoutImagesAreThirtyFiveBytes)
{
    const Bytes first = Pattern(10, 0x10), second = Pattern(7, 0x60);
    PutOldOutput();
    ASSERT_EQ(1, Pack({Put("a.rbf", first), Put("b.rbf", second)}, {}, PackParams()));
    const Bytes expected = Bytes{0x02, 0x00,
                                 0x40, 0xBF, 0x12, 0x80, 0x80, 0x88, 0x01, 0xFF,
                                 0x40, 0xBF, 0x1C, 0x80, 0x80, 0x88, 0x01, 0xFF}
                           + first + second;
    EXPECT_EQ(35u, expected.size());
    EXPECT_EQ(expected, Output());
}

TEST_F(PackerTest, ControlByteCarriesPrescalerAndFormat)
{
    const std::string clip = Put("a.rbf", Pattern(2, 1));
    struct Case {
        const char* format;
        uint32_t clock, rate;
        uint8_t control, timerCount;
    } cases[] = {
        {"APM", 6144000, 16000, 0x00, 191}, {"APM", 12000000, 8000, 0x80, 187},
        {"MDM", 6144000, 16000, 0x10, 191}, {"MDM", 6144000, 8000, 0x50, 191},
        {"mdm", 12000000, 8000, 0x90, 187}, {"MDMX", 6144000, 8000, 0x40, 191},
    };
    for (const Case& c : cases) {
        PackParams params;
        params.speechFormat = c.format;
        params.systemClock = c.clock;
        params.sampleRate = c.rate;
        ASSERT_EQ(1, Pack({clip}, {}, params));
        const Bytes record = {c.control, c.timerCount, 0x0A, 0x80, 0x80, 0x88, 0x01, 0xFF};
        EXPECT_EQ((Bytes{0x01, 0x00} + record + Pattern(2, 1)), Output()) << c.format << " " << c.clock;
    }
}

TEST_F(PackerTest, OnlyAnImageGivesEmptyAudioSectionFillAndCount)
{
    const Bytes image = Pattern(12, 0x30);
    ASSERT_EQ(1, Pack({}, {Put("i.rbf", image)}, Params(0, 4)));
    EXPECT_EQ((Bytes{0x00, 0x00, 0xFF, 0xFF, 0x01, 0x00} + image), Output());
}

TEST_F(PackerTest, NoFilesGiveAnEmptyAudioSection)
{
    ASSERT_EQ(1, Pack({}, {}, Params(0, 0)));
    EXPECT_EQ((Bytes{0x00, 0x00}), Output());
}

TEST_F(PackerTest, ImageStartAtAudioStartFails)
{
    PutOldOutput();
    EXPECT_EQ(0, Pack({}, {Put("i.rbf", Pattern(4, 0))}, Params(0x100, 0x100)));
    EXPECT_FALSE(OutputExists());
}

TEST_F(PackerTest, ImageStartBelowAudioStartFails)
{
    PutOldOutput();
    EXPECT_EQ(0, Pack({Put("a.rbf", Pattern(4, 0))}, {Put("i.rbf", Pattern(4, 0))}, Params(0x100, 0x80)));
    EXPECT_FALSE(OutputExists());
}

TEST_F(PackerTest, AudioEndingOneByteBeyondImageStartFails)
{
    // Header 10 + 7 bytes end at 17.
    EXPECT_EQ(0, Pack({Put("a.rbf", Pattern(7, 0))}, {Put("i.rbf", Pattern(4, 0))}, Params(0, 16)));
    EXPECT_FALSE(OutputExists());
}

TEST_F(PackerTest, AudioEndingAtImageStartHasNoFill)
{
    const Bytes clip = Pattern(6, 0x50), image1 = Pattern(3, 0x90), image2 = Pattern(5, 0xA0);
    ASSERT_EQ(1, Pack({Put("a.rbf", clip)}, {Put("i1.rbf", image1), Put("i2.rbf", image2)}, Params(0, 16)));
    const Bytes header = {0x01, 0x00, 0x40, 0xBF, 0x0A, 0x80, 0x80, 0x88, 0x01, 0xFF};
    EXPECT_EQ((header + clip + Bytes{0x02, 0x00} + image1 + image2), Output());
}

TEST_F(PackerTest, FillRunsFromTheAudioEndToTheImageStartInFlashAddresses)
{
    const Bytes clip = Pattern(4, 0x50), image = Pattern(3, 0x90);
    ASSERT_EQ(1, Pack({Put("a.rbf", clip)}, {Put("i.rbf", image)}, Params(0x100, 0x110)));
    // The clip begins at flash address 0x10A; the audio section ends at 0x10E.
    const Bytes header = {0x01, 0x00, 0x40, 0xBF, 0x0A, 0x81, 0x80, 0x88, 0x01, 0xFF};
    EXPECT_EQ((header + clip + Bytes{0xFF, 0xFF, 0x01, 0x00} + image), Output());
}

TEST_F(PackerTest, ClipsFrom0x400000HaveNoBankedAddress)
{
    const Bytes first = Pattern(14, 0x10), second = Pattern(3, 0x20);
    // The clips begin at flash addresses 0x3FFFF2 and 0x400000.
    ASSERT_EQ(1, Pack({Put("a.rbf", first), Put("b.rbf", second)}, {}, Params(0x3FFFE0, 0)));
    const Bytes header = {0x02, 0x00,
                          0x40, 0xBF, 0xF2, 0xFF, 0xFF, 0x88, 0x01, 0xFF,
                          0x40, 0xBF, 0xFF, 0xFF, 0xFF, 0x88, 0x01, 0xFF};
    EXPECT_EQ(header + first + second, Output());
}

TEST_F(PackerTest, FilesOfOneBufferAndOneByteMoreAreCopiedWhole)
{
    const Bytes exact = Pattern(0x20000, 0x11), longer = Pattern(0x20001, 0x77);
    const std::string a = Put("a.rbf", exact), b = Put("b.rbf", longer);
    ASSERT_EQ(1, Pack({a, b}, {a, b}, Params(0, 0x40040)));
    // The second clip begins at 18 + 0x20000; the audio ends at 0x40013.
    const Bytes header = {0x02, 0x00,
                          0x40, 0xBF, 0x12, 0x80, 0x80, 0x88, 0x01, 0xFF,
                          0x40, 0xBF, 0x12, 0x80, 0x84, 0x88, 0x01, 0xFF};
    const Bytes expected = header + exact + longer + Bytes(0x40040 - 0x40013, 0xFF) + Bytes{0x02, 0x00} + exact + longer;
    const Bytes actual = Output();
    ASSERT_EQ(expected.size(), actual.size());
    EXPECT_TRUE(expected == actual);
}

TEST_F(PackerTest, AMissingAudioFileLeavesNoFile)
{
    PutOldOutput();
    const std::vector<std::string> audio = {Put("a.rbf", Pattern(4, 0)), m_dir + "missing.rbf", Put("b.rbf", Pattern(4, 1))};
    EXPECT_EQ(0, Pack(audio, {Put("i.rbf", Pattern(4, 2))}, Params(0, 0x100)));
    EXPECT_FALSE(OutputExists());
}

TEST_F(PackerTest, AMissingImageFileLeavesNoFile)
{
    PutOldOutput();
    const std::vector<std::string> images = {Put("i.rbf", Pattern(4, 0)), m_dir + "missing.rbf"};
    EXPECT_EQ(0, Pack({Put("a.rbf", Pattern(4, 1))}, images, Params(0, 0x100)));
    EXPECT_FALSE(OutputExists());
}

TEST_F(PackerTest, AnInputHeldOpenByAnotherLeavesNoFile)
{
    const std::string path = Put("a.rbf", Pattern(4, 0));
    HANDLE held = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(0, Pack({path}, {}, PackParams()));
    ::CloseHandle(held);
    EXPECT_FALSE(OutputExists());
}

TEST_F(PackerTest, OutputThatCannotBeCreatedFails)
{
    m_output = m_dir + "no such folder\\PackedImageFile.bin";
    EXPECT_EQ(0, Pack({Put("a.rbf", Pattern(4, 0))}, {}, PackParams()));
    EXPECT_FALSE(OutputExists());
    m_output = m_dir;  // a folder
    EXPECT_EQ(0, Pack({}, {}, PackParams()));
}

TEST_F(PackerTest, SampleRateZeroIsRefusedForAudio)
{
    PutOldOutput();
    PackParams params;
    params.sampleRate = 0;
    EXPECT_EQ(0, Pack({Put("a.rbf", Pattern(4, 0))}, {}, params));
    EXPECT_FALSE(OutputExists());
    // Without audio records the rate is not used.
    params.imageStart = 2;
    const Bytes image = Pattern(4, 9);
    EXPECT_EQ(1, Pack({}, {Put("i.rbf", image)}, params));
    EXPECT_EQ((Bytes{0x00, 0x00, 0x01, 0x00} + image), Output());
}

TEST_F(PackerTest, TimerCountTooLargeForItsByteIsStoredWrapped)
{
    PackParams params;
    params.systemClock = 12000000;
    params.sampleRate = 100;  // 15000 periods: t = 14999, low byte 0x97
    EXPECT_EQ(1, Pack({Put("a.rbf", Pattern(4, 0))}, {}, params));
    Bytes packed = Output();
    ASSERT_EQ(14u, packed.size());
    EXPECT_EQ(0x80, packed[2]);
    EXPECT_EQ(0x97, packed[3]);
}

TEST_F(PackerTest, MoreThan65535FilesInAListAreRefused)
{
    const std::string file = Put("a.rbf", Pattern(4, 0));
    const std::vector<std::string> many(65536, file);
    PutOldOutput();
    EXPECT_EQ(0, Pack(many, {}, PackParams()));
    EXPECT_FALSE(OutputExists());
    PutOldOutput();
    EXPECT_EQ(0, Pack({}, many, Params(0, 2)));
    EXPECT_FALSE(OutputExists());
}

TEST_F(PackerTest, PackedImageEndingBeyondTheFlashAddressSpaceFails)
{
    PackParams params = Params(0xFFFFFFF0, 0);
    // Header 10 + 7 bytes from 0xFFFFFFF0 end one byte beyond the last address.
    EXPECT_EQ(0, Pack({Put("a.rbf", Pattern(7, 0))}, {}, params));
    EXPECT_FALSE(OutputExists());
    // Header 10 + 6 bytes end exactly at it; the clip has no banked address.
    const Bytes clip = Pattern(6, 3);
    ASSERT_EQ(1, Pack({Put("b.rbf", clip)}, {}, params));
    EXPECT_EQ((Bytes{0x01, 0x00, 0x40, 0xBF, 0xFF, 0xFF, 0xFF, 0x88, 0x01, 0xFF} + clip), Output());
}

TEST_F(PackerTest, TheImageTakesTheOutputsPlaceOnlyWhenWhole)
{
    PutOldOutput();
    const std::wstring output = WideFromAnsi(m_output);
    {
        StagedFile unfinished;  // a run that ends before its commit
        ASSERT_TRUE(unfinished.Create(output));
        ASSERT_TRUE(unfinished.Write("cut", 3));
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(unfinished.TemporaryPath().c_str()));
        EXPECT_EQ(Pattern(100, 0xEE), Output());
    }
    EXPECT_EQ(0, PackImage({Put("a.rbf", Pattern(4, 0))}, {Put("i.rbf", Pattern(4, 0))}, output,
                           Params(0x100, 0x80), nullptr, OldOutput::keepOnFailure));
    EXPECT_EQ(Pattern(100, 0xEE), Output());
    ASSERT_EQ(1, Pack({}, {}, Params(0, 0)));
    EXPECT_EQ((Bytes{0x00, 0x00}), Output());
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((m_output + ".~*").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search) << found.cFileName;  // no temporary file left
    if (search != INVALID_HANDLE_VALUE)
        ::FindClose(search);
}

TEST_F(PackerTest, AnInputNamedLikeTheOutputIsLeftAlone)
{
    const Bytes content = Pattern(9, 0x42);
    Put("PackedImageFile.bin", content);
    EXPECT_EQ(0, Pack({Put("a.rbf", Pattern(4, 0)), m_output}, {}, PackParams()));
    EXPECT_EQ(content, Output());
    EXPECT_EQ(0, Pack({}, {m_dir + "packedimagefile.BIN"}, Params(0, 2)));
    EXPECT_EQ(content, Output());
}

TEST_F(PackerTest, RefusalsTellTheRuleAndTheAddresses)
{
    PackResult result;
    const std::string clip = Put("a.rbf", Pattern(6, 0)), image = Put("i.rbf", Pattern(0x8000, 0));
    EXPECT_EQ(0, PackImage({clip}, {image}, WideFromAnsi(m_output), Params(0, 0x0E), &result));
    EXPECT_EQ(PackFailure::audioPastImages, result.failure);
    EXPECT_EQ(0x10u, result.audioEnd);
    EXPECT_EQ(0x0Eu, result.imageStart);
    // Known before any fill is written.
    EXPECT_EQ(0, PackImage({clip}, {image}, WideFromAnsi(m_output), Params(0, 0xFFFFC000), &result));
    EXPECT_EQ(PackFailure::pastAddressSpace, result.failure);
    EXPECT_EQ(0x100004002u, result.end);
    EXPECT_FALSE(OutputExists());
    EXPECT_EQ(0, PackImage({clip}, {}, WideFromAnsi(m_dir + "none\\x.bin"), PackParams(), &result));
    EXPECT_EQ(PackFailure::outputNotWritten, result.failure);
    EXPECT_EQ(static_cast<unsigned long>(ERROR_PATH_NOT_FOUND), result.systemError);
}

}  // namespace

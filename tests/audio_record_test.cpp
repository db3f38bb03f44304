// The audio record's bytes, written and read back by the one pair.
#include "AudioRecord.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct RecordCase {
    media::SpeechFormat format;
    uint8_t prescaler, timerCount;
    uint64_t flashAddress;
    Bytes bytes;
};

TEST(AudioRecordTest, EncodesAndDecodesTheSameFields)
{
    const RecordCase cases[] = {
        {media::SpeechFormat::apm, 1, 191, 10, {0x40, 0xBF, 0x0A, 0x80, 0x80, 0x88, 0x01, 0xFF}},
        {media::SpeechFormat::mdm, 2, 187, 0x8000, {0x90, 0xBB, 0x00, 0x80, 0x81, 0x88, 0x01, 0xFF}},
        {media::SpeechFormat::mdm, 0, 0, 0x3FFFFE, {0x10, 0x00, 0xFE, 0xFF, 0xFF, 0x88, 0x01, 0xFF}},
    };
    for (const RecordCase& c : cases) {
        AudioRecord record;
        record.formatCode = SpeechFormatCode(c.format);
        record.prescaler = c.prescaler;
        record.timerCount = c.timerCount;
        record.banked = ClipBankedAddress(c.flashAddress);
        Bytes bytes(kAudioRecordSize);
        EncodeAudioRecord(record, bytes.data());
        EXPECT_EQ(c.bytes, bytes) << c.flashAddress;

        AudioRecord read;
        ASSERT_TRUE(DecodeAudioRecord(bytes.data(), &read));
        EXPECT_EQ(c.format, SpeechFormatOfCode(read.formatCode));
        EXPECT_EQ(c.prescaler, read.prescaler);
        EXPECT_EQ(c.timerCount, read.timerCount);
        uint64_t flashAddress = 0;
        ASSERT_EQ(ClipAddress::placed, ClipFlashAddress(read.banked, &flashAddress));
        EXPECT_EQ(c.flashAddress, flashAddress);
    }
}

TEST(AudioRecordTest, ReadsWhatNoPackerWrites)
{
    const Bytes bytes = {0xC8, 0x05, 0x0A, 0x00, 0x80, 0x88, 0x01, 0xFE};
    AudioRecord read;
    EXPECT_FALSE(DecodeAudioRecord(bytes.data(), &read)) << "byte 7 is not FF";
    EXPECT_EQ(3, read.prescaler);
    EXPECT_EQ(1, read.formatCode);
    EXPECT_EQ(std::nullopt, SpeechFormatOfCode(read.formatCode));
    EXPECT_EQ(0x80000Au, read.banked);
    uint64_t flashAddress = 99;
    EXPECT_EQ(ClipAddress::notBanked, ClipFlashAddress(read.banked, &flashAddress)) << "outside the window";
    EXPECT_EQ(ClipAddress::notBanked, ClipFlashAddress(0x00000A, &flashAddress)) << "bank 0";
    EXPECT_EQ(ClipAddress::none, ClipFlashAddress(kNoBankedAddress, &flashAddress));
    EXPECT_EQ(99u, flashAddress);
    EXPECT_EQ(kNoBankedAddress, ClipBankedAddress(0x400000));
    EXPECT_EQ(kNoBankedAddress, ClipBankedAddress(0xFFFFFFFFull + 1));
}

}  // namespace

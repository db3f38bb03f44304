// Reading a packed image back into its table, and the two ways of printing it.
#include "PackedImageMap.h"
#include "PackedMapWriters.h"
#include "Packer.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Repeat(size_t size, uint8_t value) { return Bytes(size, value); }

// An audio record for a clip at this flash address.
Bytes Record(uint8_t control, uint8_t timer, uint64_t flash)
{
    const uint32_t b = BankAddress(static_cast<uint32_t>(flash + kDeviceAddressOffset));
    return {control, timer, static_cast<uint8_t>(b), static_cast<uint8_t>(b >> 8), static_cast<uint8_t>(b >> 16),
            0x88, 0x01, 0xFF};
}

// Serves the bytes; a read outside them fails the test.
ReadAt Reader(const Bytes& bytes)
{
    return [&bytes](uint64_t offset, void* buffer, size_t size) {
        EXPECT_TRUE(offset <= bytes.size() && size <= bytes.size() - offset) << offset << "+" << size;
        if (offset > bytes.size() || size > bytes.size() - offset)
            return false;
        if (size > 0)
            memcpy(buffer, bytes.data() + offset, size);
        return true;
    };
}

PackedMap Map(const Bytes& bytes, const PackedMapOptions& options = PackedMapOptions())
{
    PackedMap map;
    map.file = "image.bin";
    EXPECT_TRUE(ReadPackedMap(Reader(bytes), bytes.size(), options, &map));
    return map;
}

using Problems = std::vector<std::string>;

// A = 0x1000, one MDM clip of 3 bytes, 3 bytes of fill, two images of 4 bytes.
const Bytes kWithImages = Bytes{1, 0} + Record(0x50, 0xBF, 0x100A) + Bytes{1, 2, 3} + Repeat(3, 0xFF)
    + Bytes{2, 0, 0xAA, 0xBB, 0xCC, 0xDD, 0x11, 0x22, 0x33, 0x44};

PackedMapOptions SmallImages()
{
    PackedMapOptions options;
    options.imageBytes = 4;
    return options;
}

TEST(PackedMapTest, TwoClipsWithoutImagesAsText)
{
    const Bytes file = Bytes{2, 0, 0x40, 0xBF, 0x12, 0x80, 0x80, 0x88, 0x01, 0xFF, 0x40, 0xBF, 0x1C, 0x80, 0x80,
                             0x88, 0x01, 0xFF}
        + Repeat(10, 0x11) + Repeat(7, 0xFF);
    EXPECT_EQ("file: image.bin\n"
              "size: 35 bytes\n"
              "audio start: 0x00000000 (from clip 0)\n"
              "clips: 2\n"
              "  clip  flash address      offset      length  format  prescaler  timer   rate (Hz)\n"
              "     0     0x00000012          18          10  APM     1 (/4)       191        8000\n"
              "     1     0x0000001C          28           7  APM     1 (/4)       191        8000\n"
              "image start: none\n"
              "images: 0\n"
              "fill: 0 bytes\n"
              "free: 4194269 of 4194304 bytes\n"
              "legend: offsets, lengths and sizes in bytes; rate = 6144000 Hz / (divider x (timer + 1)); ? = unknown\n",
              FormatPackedMapText(Map(file)));
}

TEST(PackedMapTest, ImagesFoundFromTheEndOfTheFileAsJson)
{
    EXPECT_EQ("{\"file\": \"image.bin\", \"size\": 26, \"audioStart\": 4096, \"audioStartInferred\": true, "
              "\"imageStart\": 4112,\n \"clipCount\": 1, \"clips\": [\n"
              "  {\"index\": 0, \"flashAddress\": 4106, \"offset\": 10, \"length\": 3, \"format\": \"MDM\", "
              "\"prescaler\": 1, \"timerCount\": 191, \"sampleRate\": 8000}],\n"
              " \"imageCount\": 2, \"images\": [\n"
              "  {\"index\": 0, \"flashAddress\": 4114, \"offset\": 18, \"size\": 4},\n"
              "  {\"index\": 1, \"flashAddress\": 4118, \"offset\": 22, \"size\": 4}],\n"
              " \"fill\": 3, \"free\": 4190182, \"problems\": []}\n",
              FormatPackedMapJson(Map(kWithImages, SmallImages())));
}

TEST(PackedMapTest, ImagesAndProblemsAsText)
{
    PackedMapOptions options = SmallImages();
    options.capacityBytes = 0x1010;
    const std::string text = FormatPackedMapText(Map(kWithImages, options));
    EXPECT_NE(std::string::npos, text.find("image start: 0x00001010 (file offset 16)\n"
                                           "images: 2\n"
                                           "  image  flash address      offset        size\n"
                                           "      0     0x00001012          18           4\n"
                                           "      1     0x00001016          22           4\n"
                                           "fill: 3 bytes\n"
                                           "free: 0 of 4112 bytes\n"))
        << text;
    const std::string tail = "legend: trailing 0xFF bytes of the last clip can't be told from the fill and count as fill\n"
                             "problem: the packed image ends at flash address 0x0000101A, past the end of the flash "
                             "(0x00001010)\n";
    EXPECT_EQ(tail, text.substr(text.size() - tail.size()));
}

TEST(PackedMapTest, TrailingFFBytesOfTheLastClipCountAsFill)
{
    Bytes file = kWithImages;
    file[12] = 0xFF;  // the clip's last byte
    const PackedMap map = Map(file, SmallImages());
    EXPECT_EQ(2u, *map.clips[0].length);
    EXPECT_EQ(4u, map.fill);
    EXPECT_TRUE(map.problems.empty());
}

struct RecordCase {
    uint8_t control, timer, byte5;
    const char* format;
    std::optional<uint32_t> rate;
    Problems problems;
};

TEST(PackedMapTest, RecordFields)
{
    const RecordCase cases[] = {
        {0x00, 191, 0x88, "APM", 16000u, {}},
        {0x90, 191, 0x88, "MDM", 4000u, {}},
        {0x40, 190, 0x88, "APM", 8042u, {}},  // 8041.9 rounds up
        {0x48, 191, 0x88, "?", 8000u, {"clip 0: unknown format code 1 (control byte 0x48)"}},
        {0xC0, 191, 0x88, "APM", std::nullopt, {"clip 0: unknown prescaler code 3 (control byte 0xC0)"}},
        {0x40, 191, 0x89, "APM", 8000u, {"clip 0: record bytes 5-7 are 89 01 FF, not 88 01 FF"}},
    };
    for (const RecordCase& c : cases) {
        Bytes file = Bytes{1, 0} + Record(c.control, c.timer, 10) + Repeat(4, 0);
        file[7] = c.byte5;
        const PackedMap map = Map(file);
        EXPECT_EQ(std::string(c.format), ClipFormatName(map.clips[0])) << int{c.control};
        EXPECT_EQ(c.rate, map.clips[0].sampleRate) << int{c.control};
        EXPECT_EQ(c.problems, map.problems) << int{c.control};
    }
}

struct ProblemCase {
    const char* name;
    Bytes file;
    std::optional<uint64_t> audioStart, imageStart;
    Problems problems;
};

TEST(PackedMapTest, InconsistentFilesAreReportedEntryByEntry)
{
    const Bytes twoClips = Bytes{2, 0} + Record(0, 191, 18);
    const ProblemCase cases[] = {
        {"empty", {}, {}, {}, {"the file (0 bytes) is shorter than its header of 0 audio records (2 bytes)"}},
        {"records cut short", twoClips, {}, {},
         {"the file (10 bytes) is shorter than its header of 2 audio records (18 bytes)",
          "clip 0 points outside the file (file offset 18)"}},
        {"no banked address", Bytes{1, 0} + Bytes{0, 191, 0xFF, 0xFF, 0xFF, 0x88, 1, 0xFF}, {}, {},
         {"clip 0 has no banked address (FF FF FF): it begins at flash address 0x400000 or above"}},
        {"bank 0", Bytes{1, 0} + Bytes{0, 191, 0x0A, 0, 0, 0x88, 1, 0xFF}, {}, {},
         {"clip 0: address bytes 0A 00 00 are not the banked form of a flash address"}},
        {"outside the window", Bytes{1, 0} + Bytes{0, 191, 0x0A, 0, 0x80, 0x88, 1, 0xFF}, {}, {},
         {"clip 0: address bytes 0A 00 80 are not the banked form of a flash address"}},
        {"into the records", twoClips + Record(0, 191, 5) + Repeat(4, 0), {}, {},
         {"clip 1 points into the audio records (file offset 5)", "clip 1 begins before clip 0 (file offset 5 < 18)"}},
        {"outside the file", twoClips + Record(0, 191, 99) + Repeat(4, 0), {}, {},
         {"clip 1 points outside the file (file offset 99)"}},
        {"overlap", Bytes{3, 0} + Record(0, 191, 26) + Record(0, 191, 30) + Record(0, 191, 28) + Repeat(6, 0), {}, {},
         {"clip 2 begins before clip 1 (file offset 28 < 30)"}},
        {"audio start given", Bytes{1, 0} + Record(0, 191, 12) + Repeat(4, 0), 0, {},
         {"clip 0 begins at file offset 12, not right after the records (10)"}},
        {"image section past the end", kWithImages, {}, 0x2000, {"the image section (file offset 4096) lies past the end of the file"}},
        {"image section over the audio", twoClips + Record(0, 191, 20) + Bytes{1, 0} + Repeat(4, 0), {}, 18,
         {"the image section (file offset 18) overlaps the audio section, which reaches offset 20",
          "clip 1 begins at file offset 20, past the end of the audio data (18)"}},
        {"bytes after the images", kWithImages + Repeat(4, 9), {}, 0x1010, {"4 bytes follow the last image"}},
        {"images past the end", kWithImages, {}, 0x1012,
         {"the 48042 images of 4 bytes from file offset 20 run past the end of the file"}},
    };
    for (const ProblemCase& c : cases) {
        PackedMapOptions options = SmallImages();
        options.audioStart = c.audioStart;
        options.imageStart = c.imageStart;
        EXPECT_EQ(c.problems, Map(c.file, options).problems) << c.name;
    }
}

TEST(PackedMapTest, JsonEscapesTextsAndWritesUnknownsAsNull)
{
    PackedMap map;
    map.file = "a\"b\\c\nd\x01.bin";
    map.clips.resize(1);
    map.clips[0].format = std::nullopt;
    map.problems = {"tab\there"};
    EXPECT_EQ("{\"file\": \"a\\\"b\\\\c\\u000Ad\\u0001.bin\", \"size\": 0, \"audioStart\": null, "
              "\"audioStartInferred\": false, \"imageStart\": null,\n \"clipCount\": 0, \"clips\": [\n"
              "  {\"index\": 0, \"flashAddress\": null, \"offset\": null, \"length\": null, \"format\": \"?\", "
              "\"prescaler\": 0, \"timerCount\": 0, \"sampleRate\": null}],\n"
              " \"imageCount\": 0, \"images\": [],\n"
              " \"fill\": 0, \"free\": null, \"problems\": [\n  \"tab\\u0009here\"]}\n",
              FormatPackedMapJson(map));
}

TEST(PackedMapTest, FourGibibyteFileIsReadInSmallPieces)
{
    const Bytes head = Bytes{1, 0} + Record(0x40, 191, 10);
    uint64_t bytesRead = 0;
    const ReadAt read = [&](uint64_t offset, void* buffer, size_t size) {
        bytesRead += size;
        memset(buffer, 0, size);
        for (size_t i = 0; i < size && offset + i < head.size(); ++i)
            static_cast<uint8_t*>(buffer)[i] = head[static_cast<size_t>(offset + i)];
        return true;
    };
    PackedMap map;
    ASSERT_TRUE(ReadPackedMap(read, 0x100000000ULL, PackedMapOptions(), &map));
    EXPECT_EQ(0x100000000ULL - 10, *map.clips[0].length);
    EXPECT_LT(bytesRead, 0x40000u);  // 2 bytes for each image count tried
    EXPECT_EQ(Problems{"the packed image ends at flash address 0x100000000, past the end of the flash (0x00400000)"},
              map.problems);
}

TEST(PackedMapTest, ProblemsOfAGarbageHeaderAreCapped)
{
    // 65535 records declared, 1000 present, each with a wrong address.
    const Bytes file = Bytes{0xFF, 0xFF} + Repeat(8000, 0x07);
    const PackedMap map = Map(file);
    EXPECT_EQ(1000u, map.clips.size());
    ASSERT_EQ(201u, map.problems.size());
    EXPECT_EQ("... and 1801 more problems", map.problems.back());
}

// Many cut and mutated copies of a valid image: each is read to the end
// with every read inside the file, twice alike, and what it lists lies
// inside the file unless a problem says otherwise.
TEST(PackedMapTest, CutAndMutatedImagesNeverBreakTheReader)
{
    const Bytes valid = Bytes{3, 0} + Record(0x40, 191, 26) + Record(0x40, 191, 31) + Record(0x40, 191, 40)
        + Repeat(5, 1) + Repeat(9, 2) + Repeat(6, 3) + Repeat(4, 0xFF) + Bytes{2, 0} + Repeat(32, 0x5A);
    ASSERT_TRUE(Map(valid, PackedMapOptions{std::nullopt, std::nullopt, 16}).problems.empty());
    uint32_t seed = 12345;
    auto next = [&seed]() { return seed = seed * 1103515245u + 12345u, seed >> 16; };
    for (int round = 0; round < 3000; ++round) {
        Bytes file = valid;
        if (round < static_cast<int>(valid.size())) {
            file.resize(static_cast<size_t>(round));
        } else {
            for (uint32_t flips = next() % 4 + 1; flips > 0; --flips)
                file[next() % file.size()] = static_cast<uint8_t>(next());
            file.resize(next() % 2 ? file.size() - next() % 20 : file.size() + next() % 20, 0xFF);
        }
        PackedMapOptions options;
        options.imageBytes = 16;
        if (round % 3 == 0)
            options.audioStart = next() % 64;
        if (round % 5 == 0)
            options.imageStart = next() % 96;
        const PackedMap map = Map(file, options);
        ASSERT_EQ(FormatPackedMapJson(map), FormatPackedMapJson(Map(file, options))) << round;
        bool outside = false;
        for (const PackedClip& clip : map.clips)
            outside |= clip.length && *clip.offset + *clip.length > file.size();
        for (const PackedImage& image : map.images)
            outside |= image.offset + image.size > file.size();
        EXPECT_TRUE(!outside || !map.problems.empty()) << round;
        EXPECT_LE(map.audioEnd, file.size()) << round;
    }
}

}  // namespace

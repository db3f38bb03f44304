// The builder's flash map of known converted sizes: its figures line, the
// lowest image start that fits, a pack past the flash, and the table read
// back, which is the one the packer's file gives.
#include "FlashMap.h"
#include "PackedMapWriters.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include <fstream>

namespace {

FlashMapInput Input(uint32_t imageStart)
{
    FlashMapInput input;
    input.audioSizes = { 10, 7 };
    input.imageSizes = { 32768 };
    input.params.imageStart = imageStart;
    input.capacityBytes = 0x40000;  // 2M
    return input;
}

FlashMap Made(const FlashMapInput& input)
{
    FlashMap map;
    EXPECT_TRUE(MakeFlashMap(input, nullptr, &map));
    return map;
}

struct FiguresCase {
    uint32_t imageStart;
    const char* figures;
    bool warns, fits;
};

TEST(FlashMap, FiguresLineSaysSizesFreeOverlapAndOverrun)
{
    const FiguresCase cases[] = {
        { 0x1000, "36866 bytes: audio 35, fill 4061, images 32770; free 225278", false, true },
        { 0x0000, "Images overlap the audio up to 00000023: lowest image start 00001000", true, false },
        { 0x40000, "294914 bytes: audio 35, fill 262109, images 32770; does not fit by 32770", true, false },
    };
    for (const FiguresCase& c : cases) {
        const FlashMap map = Made(Input(c.imageStart));
        EXPECT_EQ(c.figures, FlashMapFigures(map));
        EXPECT_EQ(c.warns, FlashMapWarns(map));
        EXPECT_EQ(c.fits, map.fits);
        EXPECT_EQ(0x1000u, map.lowestImageStart);
    }
}

TEST(FlashMap, StripPartsFollowTheLayout)
{
    FlashMapInput input = Input(0x1000);
    input.params.audioStart = 0x100;
    input.imageEntries = { 3 };  // the picture stands fourth in its list
    const FlashMap map = Made(input);
    const std::vector<std::pair<MapSpanKind, std::vector<uint64_t>>> expected = {
        { MapSpanKind::before, { 0, 0, 0x100 } },       { MapSpanKind::records, { 0, 0x100, 18 } },
        { MapSpanKind::clip, { 0, 0x112, 10 } },        { MapSpanKind::clip, { 1, 0x11C, 7 } },
        { MapSpanKind::fill, { 0, 0x123, 0xEDD } },     { MapSpanKind::imageCount, { 0, 0x1000, 2 } },
        { MapSpanKind::picture, { 3, 0x1002, 32768 } }, { MapSpanKind::free, { 0, 0x9002, 0x40000 - 0x9002 } },
    };
    ASSERT_EQ(expected.size(), map.spans.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].first, map.spans[i].kind) << i;
        EXPECT_EQ(expected[i].second, (std::vector<uint64_t>{ map.spans[i].index, map.spans[i].start,
                                                             map.spans[i].length })) << i;
    }
}

// The map is the reader's table of the very file the packer writes.
TEST(FlashMap, TableIsThatOfThePackedFile)
{
    wchar_t folder[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetTempPathW(MAX_PATH, folder));
    char dir[MAX_PATH] = {};
    ::WideCharToMultiByte(CP_ACP, 0, folder, -1, dir, MAX_PATH, nullptr, nullptr);
    const FlashMapInput input = Input(0x1000);
    std::vector<std::string> audio, images;
    auto make = [&](std::vector<std::string>* list, uint64_t size, char fill) {
        const std::string path = std::string(dir) + "flash-map-" + std::to_string(::GetCurrentProcessId()) + "-"
            + std::to_string(audio.size() + images.size()) + ".rbf";
        std::ofstream(path, std::ios::binary) << std::string(static_cast<size_t>(size), fill);
        list->push_back(path);
    };
    make(&audio, 10, 'a');
    make(&audio, 7, 'b');
    make(&images, 32768, 'c');
    const std::string packed = std::string(dir) + "flash-map-" + std::to_string(::GetCurrentProcessId()) + ".bin";
    ASSERT_EQ(1, PackImage(audio, images, packed, input.params));

    std::ifstream in(packed, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    PackedMapOptions options;
    options.audioStart = input.params.audioStart;
    options.imageStart = input.params.imageStart;
    options.capacityBytes = input.capacityBytes;
    PackedMap read;
    ASSERT_TRUE(ReadPackedMap(
        [&bytes](uint64_t offset, void* buffer, size_t size) {
            if (offset > bytes.size() || size > bytes.size() - offset)
                return false;
            memcpy(buffer, bytes.data() + offset, size);
            return true;
        },
        bytes.size(), options, &read));
    for (const std::string& path : audio)
        ::DeleteFileA(path.c_str());
    ::DeleteFileA(images[0].c_str());
    ::DeleteFileA(packed.c_str());

    const FlashMap map = Made(input);
    EXPECT_EQ(FormatPackedMapText(read), FormatPackedMapText(map.map));
    EXPECT_EQ(FormatPackedMapJson(read), FormatPackedMapJson(map.map));
}

}  // namespace

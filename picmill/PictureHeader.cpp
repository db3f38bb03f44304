#include "PictureHeader.h"

namespace picmill {

namespace {

uint32_t Be16(const uint8_t* p) { return (static_cast<uint32_t>(p[0]) << 8) | p[1]; }
uint32_t Be32(const uint8_t* p) { return (Be16(p) << 16) | Be16(p + 2); }
uint32_t Le16(const uint8_t* p) { return p[0] | (static_cast<uint32_t>(p[1]) << 8); }
uint32_t Le32(const uint8_t* p) { return Le16(p) | (Le16(p + 2) << 16); }

bool Read(PictureBytes& bytes, uint64_t offset, uint8_t* out, size_t count)
{
    return bytes.ReadAt(offset, out, count) == count;
}

bool BmpSize(PictureBytes& bytes, PictureSize& size)
{
    uint8_t h[26];
    if (!Read(bytes, 0, h, 18))
        return false;
    const uint32_t infoSize = Le32(h + 14);
    if (infoSize == 12) {  // the old core header: 16-bit sides
        if (!Read(bytes, 18, h + 18, 4))
            return false;
        size.width = Le16(h + 18);
        size.height = Le16(h + 20);
        return true;
    }
    if (infoSize < 40 || !Read(bytes, 18, h + 18, 8))
        return false;
    const int32_t width = static_cast<int32_t>(Le32(h + 18));
    const int32_t height = static_cast<int32_t>(Le32(h + 22));
    if (width <= 0 || height == 0 || height == INT32_MIN)
        return false;
    size.width = static_cast<uint32_t>(width);
    size.height = static_cast<uint32_t>(height < 0 ? -height : height);  // negative: rows top-down
    return true;
}

bool PngSize(PictureBytes& bytes, PictureSize& size)
{
    uint8_t h[24];
    if (!Read(bytes, 0, h, 24) || std::memcmp(h + 12, "IHDR", 4) != 0)
        return false;
    size.width = Be32(h + 16);
    size.height = Be32(h + 20);
    return true;
}

bool JpegSize(PictureBytes& bytes, PictureSize& size)
{
    const uint64_t end = bytes.Size();
    uint64_t pos = 2;
    while (pos + 4 <= end) {
        uint8_t m[9];
        if (!Read(bytes, pos, m, 2) || m[0] != 0xFF)
            return false;
        const uint8_t marker = m[1];
        if (marker == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no length follows
            pos += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)  // scan or end before any frame
            return false;
        if (!Read(bytes, pos + 2, m + 2, 2))
            return false;
        const uint32_t length = Be16(m + 2);
        if (length < 2)
            return false;
        // Start of frame: every 0xC0 ... 0xCF but the tables 0xC4, 0xC8, 0xCC.
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (length < 7 || !Read(bytes, pos + 4, m + 4, 5))
                return false;
            size.height = Be16(m + 5);
            size.width = Be16(m + 7);
            return true;
        }
        pos += 2 + length;
    }
    return false;
}

// The logical screen, and every image descriptor's pixels added up; extension
// and image data come in sub-blocks, each led by its length.
bool GifSize(PictureBytes& bytes, PictureSize& size)
{
    uint8_t h[13];
    if (!Read(bytes, 0, h, 13))
        return false;
    size.width = Le16(h + 6);
    size.height = Le16(h + 8);
    uint64_t pos = 13;
    if (h[10] & 0x80)
        pos += 3ull << ((h[10] & 7) + 1);
    // Reads a run of sub-blocks up to and including its empty terminator.
    auto skipBlocks = [&]() {
        uint8_t length = 0;
        while (Read(bytes, pos, &length, 1)) {
            ++pos;
            if (length == 0)
                return true;
            pos += length;
        }
        return false;
    };
    uint8_t block[10];
    while (Read(bytes, pos, block, 1)) {
        if (block[0] == 0x3B)  // trailer
            break;
        if (block[0] == 0x21) {  // extension: label, then sub-blocks
            pos += 2;
            if (!skipBlocks())
                break;
        } else if (block[0] == 0x2C) {  // image: descriptor, tables, code size, sub-blocks
            if (!Read(bytes, pos, block, 10))
                break;
            size.framePixels += static_cast<uint64_t>(Le16(block + 5)) * Le16(block + 7);
            pos += 10;
            if (block[9] & 0x80)
                pos += 3ull << ((block[9] & 7) + 1);
            ++pos;  // LZW minimum code size
            if (!skipBlocks())
                break;
        } else {
            break;  // damaged: the decoder will judge what came before
        }
    }
    return true;
}

}  // namespace

bool ReadPictureSize(PictureBytes& bytes, PictureSize& size)
{
    uint8_t s[8];
    size = PictureSize();
    if (!Read(bytes, 0, s, 8))
        return false;
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (s[0] == 'B' && s[1] == 'M')
        size.kind = PictureKind::Bmp;
    else if (std::memcmp(s, kPng, 8) == 0)
        size.kind = PictureKind::Png;
    else if (s[0] == 0xFF && s[1] == 0xD8 && s[2] == 0xFF)
        size.kind = PictureKind::Jpeg;
    else if (std::memcmp(s, "GIF87a", 6) == 0 || std::memcmp(s, "GIF89a", 6) == 0)
        size.kind = PictureKind::Gif;
    switch (size.kind) {
    case PictureKind::Bmp:
        return BmpSize(bytes, size);
    case PictureKind::Png:
        return PngSize(bytes, size);
    case PictureKind::Jpeg:
        return JpegSize(bytes, size);
    case PictureKind::Gif:
        return GifSize(bytes, size);
    default:
        return false;
    }
}

bool PictureSizeAccepted(uint32_t width, uint32_t height, uint64_t framePixels)
{
    return width >= 1 && height >= 1 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           static_cast<uint64_t>(width) * height <= kMaxPicturePixels && framePixels <= kMaxPicturePixels;
}

}  // namespace picmill

// Pictures for the image tests: BMP and GIF files built byte by byte, PNG and
// JPEG files written by GDI+'s own encoders.
#pragma once
#include "MediaFiles.h"

#include <algorithm>
#include <functional>
namespace Gdiplus {
using std::max;
using std::min;
}
#include <objidl.h>
#include <gdiplus.h>

namespace media_test {

struct Colour {
    uint8_t r, g, b, a;
};

inline Colour Opaque(uint8_t r, uint8_t g, uint8_t b) { return Colour{r, g, b, 255}; }

using Painter = std::function<Colour(unsigned x, unsigned y)>;

inline Painter Solid(Colour c)
{
    return [c](unsigned, unsigned) { return c; };
}

// A 24-bit BMP, rows stored bottom-up (or top-down with a negative height).
inline Bytes MakeBmp(unsigned width, unsigned height, const Painter& paint, bool topDown = false)
{
    const uint32_t rowBytes = (width * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * height;
    Bytes file;
    file.push_back('B');
    file.push_back('M');
    Put32(file, 54 + imageBytes);
    Put32(file, 0);
    Put32(file, 54);
    Put32(file, 40);
    Put32(file, width);
    Put32(file, topDown ? static_cast<uint32_t>(-static_cast<int32_t>(height)) : height);
    Put16(file, 1);
    Put16(file, 24);
    Put32(file, 0);  // BI_RGB
    Put32(file, imageBytes);
    Put32(file, 2835);
    Put32(file, 2835);
    Put32(file, 0);
    Put32(file, 0);
    for (unsigned row = 0; row < height; ++row) {
        const unsigned y = topDown ? row : height - 1 - row;
        for (unsigned x = 0; x < width; ++x) {
            const Colour c = paint(x, y);
            file.push_back(c.b);
            file.push_back(c.g);
            file.push_back(c.r);
        }
        for (uint32_t pad = width * 3; pad < rowBytes; ++pad)
            file.push_back(0);
    }
    return file;
}

// A GIF of up to four palette colours, built byte by byte: GDI+'s own GIF
// encoder is not relied on. The LZW stream sends a clear code before every
// pixel, so the code width stays at 3 bits and no table is ever built.
inline Bytes MakeGif(unsigned width, unsigned height, const std::vector<Colour>& palette,
                     const std::function<uint8_t(unsigned x, unsigned y)>& index,
                     int transparentIndex = -1)
{
    Bytes file = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(file, width);
    Put16(file, height);
    file.push_back(0x91);  // global colour table of 4 entries
    file.push_back(0);     // background index
    file.push_back(0);     // no aspect ratio
    for (size_t i = 0; i < 4; ++i) {
        const Colour c = i < palette.size() ? palette[i] : Colour{0, 0, 0, 255};
        file.push_back(c.r);
        file.push_back(c.g);
        file.push_back(c.b);
    }
    if (transparentIndex >= 0) {
        const Bytes control = {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00,
                               static_cast<uint8_t>(transparentIndex), 0x00};
        file.insert(file.end(), control.begin(), control.end());
    }
    file.push_back(0x2C);
    Put16(file, 0);
    Put16(file, 0);
    Put16(file, width);
    Put16(file, height);
    file.push_back(0);  // no local table, not interlaced
    file.push_back(2);  // LZW minimum code size: clear = 4, end = 5

    Bytes codes;
    uint32_t bits = 0;
    int count = 0;
    auto emit = [&](uint32_t code) {
        bits |= code << count;
        count += 3;
        while (count >= 8) {
            codes.push_back(static_cast<uint8_t>(bits));
            bits >>= 8;
            count -= 8;
        }
    };
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x) {
            emit(4);
            emit(index(x, y) & 3);
        }
    emit(5);
    if (count > 0)
        codes.push_back(static_cast<uint8_t>(bits));
    for (size_t at = 0; at < codes.size(); at += 255) {
        const size_t n = std::min<size_t>(255, codes.size() - at);
        file.push_back(static_cast<uint8_t>(n));
        file.insert(file.end(), codes.begin() + at, codes.begin() + at + n);
    }
    file.push_back(0);     // end of the image data
    file.push_back(0x3B);  // trailer
    return file;
}

inline bool EncoderFor(const wchar_t* mime, CLSID& clsid)
{
    UINT count = 0, size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0)
        return false;
    std::vector<uint8_t> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(codecs[i].MimeType, mime) == 0) {
            clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

// Paints a 32-bit ARGB picture and saves it with the encoder for `mime`
// ("image/png", "image/jpeg"). GDI+ must be started.
inline bool SaveWithGdiplus(const std::string& path, const wchar_t* mime, unsigned width,
                            unsigned height, const Painter& paint)
{
    CLSID clsid;
    if (!EncoderFor(mime, clsid))
        return false;
    Gdiplus::Bitmap bitmap(static_cast<INT>(width), static_cast<INT>(height), PixelFormat32bppARGB);
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x) {
            const Colour c = paint(x, y);
            bitmap.SetPixel(static_cast<INT>(x), static_cast<INT>(y), Gdiplus::Color(c.a, c.r, c.g, c.b));
        }
    const std::wstring wide(path.begin(), path.end());
    return bitmap.Save(wide.c_str(), &clsid, nullptr) == Gdiplus::Ok;
}

}  // namespace media_test

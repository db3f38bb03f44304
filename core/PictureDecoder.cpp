#include "PictureDecoder.h"

namespace media {

uint8_t Expand5(unsigned v)
{
    v &= 0x1F;
    return static_cast<uint8_t>(v << 3 | v >> 2);
}

uint8_t Expand6(unsigned v)
{
    v &= 0x3F;
    return static_cast<uint8_t>(v << 2 | v >> 4);
}

void DecodeRbf(const uint8_t* rbf, size_t pixels, uint8_t* rgb)
{
    for (size_t i = 0; i < pixels; ++i) {
        const unsigned value = static_cast<unsigned>(rbf[2 * i] | rbf[2 * i + 1] << 8);
        rgb[3 * i] = Expand5(value >> 11);
        rgb[3 * i + 1] = Expand6(value >> 5);
        rgb[3 * i + 2] = Expand5(value);
    }
}

std::vector<uint8_t> DecodeRbf(const std::vector<uint8_t>& rbf)
{
    std::vector<uint8_t> rgb(rbf.size() / 2 * 3);
    DecodeRbf(rbf.data(), rbf.size() / 2, rgb.data());
    return rgb;
}

}  // namespace media

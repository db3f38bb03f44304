// Small media files for the tests that convert: a picture and a clip.
#pragma once
#include <cstdint>
#include <string>

namespace gui {

// A 4 x 2 24-bit picture, red on the left, blue on the right.
inline std::string Picture()
{
    std::string bmp = "BM";
    auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) bmp += static_cast<char>(v >> (8 * i)); };
    auto put16 = [&](uint16_t v) { bmp += static_cast<char>(v); bmp += static_cast<char>(v >> 8); };
    put32(54 + 24); put32(0); put32(54);
    put32(40); put32(4); put32(2); put16(1); put16(24); put32(0); put32(24); put32(2835); put32(2835); put32(0); put32(0);
    for (int row = 0; row < 2; ++row)
        bmp += std::string("\x00\x00\xFF\x00\x00\xFF\xFF\x00\x00\xFF\x00\x00", 12);
    return bmp;
}

// Half a second of a 16-bit mono tone at 8000 Hz.
inline std::string Tone()
{
    const uint32_t samples = 4000;
    std::string wav = "RIFF";
    auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) wav += static_cast<char>(v >> (8 * i)); };
    auto put16 = [&](uint16_t v) { wav += static_cast<char>(v); wav += static_cast<char>(v >> 8); };
    put32(36 + samples * 2);
    wav += "WAVEfmt ";
    put32(16); put16(1); put16(1); put32(8000); put32(16000); put16(2); put16(16);
    wav += "data";
    put32(samples * 2);
    for (uint32_t i = 0; i < samples; ++i)
        put16(static_cast<uint16_t>((i / 8) % 2 ? 8000 : -8000));
    return wav;
}

}  // namespace gui

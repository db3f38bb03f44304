// Pictures as the device shows them: RBF data (RGB565 pixels, 16-bit
// little-endian, red in bits 15-11, green 10-5, blue 4-0, rows from the top,
// no header) back to 8-bit red, green and blue.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace media {

// The device's screen, and the RBF data of one picture for it.
constexpr unsigned kScreenWidth = 128;
constexpr unsigned kScreenHeight = 128;
constexpr size_t kScreenRbfBytes = size_t{ kScreenWidth } * kScreenHeight * 2;

// A channel widened to 8 bits by repeating its top bits below it:
// 5 bits v -> v<<3 | v>>2, 6 bits v -> v<<2 | v>>4.
uint8_t Expand5(unsigned v);
uint8_t Expand6(unsigned v);

// Writes the pixels of `pixels` RGB565 values (2 bytes each) as red, green,
// blue triplets (3 bytes each).
void DecodeRbf(const uint8_t* rbf, size_t pixels, uint8_t* rgb);
// Every whole pixel of the data.
std::vector<uint8_t> DecodeRbf(const std::vector<uint8_t>& rbf);

}  // namespace media

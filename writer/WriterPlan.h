// The arithmetic of a Writer dialog run: flash type codes, the file's name,
// the address range, the block plan and the progress figures.
#pragma once
#include <cstdint>
#include <string>

constexpr unsigned int kWriterBlockSize = 16384;
constexpr unsigned int kWriterOpenAttempts = 20;
constexpr unsigned int kWriterOpenRetryMs = 1000;

// The driver's flash type code for a flash type index: 0 (SPI) -> 5,
// 1 (KP6X) -> 4, 2 (NAND) -> 6; 0 for any other index.
int FlashTypeCode(int flashTypeIndex);

// The flash type's name for its index: "SPI", "KP6X", "NAND"; "" for others.
const char* FlashTypeName(int flashTypeIndex);

// The part of a path after its last backslash, or the whole path.
std::string FileNameOf(const std::string& path);

// True when length bytes from startAddress stay within the 32-bit flash
// address space, so that no block address wraps round to the start.
bool WriteRangeFits(uint32_t startAddress, uint64_t length);

// Bytes of the next piece to program when this many remain.
inline unsigned int WriterPieceBytes(uint32_t remaining)
{
    return remaining > kWriterBlockSize ? kWriterBlockSize : remaining;
}

// Bar position: transferred * 100 / total, rounded down, computed wide
// enough not to wrap for any file; 0 when there is no total.
int WriterPercent(uint32_t transferred, uint32_t total);

// Bytes still to write; 0 when transferred is not below total.
uint32_t WriterRemain(uint32_t transferred, uint32_t total);

// A label's number in decimal.
std::string DecimalText(uint32_t value);

// format with its one %s replaced by text (no other conversions).
std::string FormatWithText(const char* format, const std::string& text);

// The flash range check that every run makes before it starts (the download
// panel, the Writer dialog and tessa alike) and its refusal texts; beside it
// the Writer dialog's file name and progress figures.
#pragma once
#include <cstdint>
#include <string>

// The part of a path after its last backslash, or the whole path.
std::string FileNameOf(const std::string& path);
std::wstring FileNameOf(const std::wstring& path);

// Where length bytes programmed from startAddress end up (no block address
// may wrap round to the start of the 32-bit address space) against a flash of
// flashBytes bytes (0: a flash as large as the 32-bit address space).
// largerThanFlash is for the runs that hold the image's size against the
// flash's whatever the start address (see CheckFlashJob).
enum class FlashRange { fits, pastFlashEnd, pastAddressSpace, largerThanFlash };
FlashRange CheckFlashRange(uint32_t startAddress, uint64_t length, uint64_t flashBytes);
// Why such a run is refused, in English, without a trailing full stop:
// "image does not fit the 32M flash: 300000 bytes from address 0x00100000
// end at 0x00149420, past its end at 0x00400000" (flashName names the flash),
// or "image runs past the end of the flash address space: ...", or "image too
// big for the capacity 32M: 5000000 bytes".
std::string FlashRangeText(FlashRange range, uint32_t startAddress, uint64_t length, uint64_t flashBytes,
                           const std::string& flashName);

// Bar position: transferred * 100 / total, rounded down, computed wide
// enough not to wrap for any file; 0 when there is no total.
int WriterPercent(uint32_t transferred, uint32_t total);

// Bytes still to write; 0 when transferred is not below total.
uint32_t WriterRemain(uint32_t transferred, uint32_t total);

// A label's number in decimal.
std::string DecimalText(uint32_t value);

// A refusal text as a message box shows it: its first letter in capitals
// and a full stop at the end.
std::wstring RefusalSentence(const std::string& text);

// format with its one %s replaced by text (no other conversions).
std::wstring FormatWithText(const std::wstring& format, const std::wstring& text);

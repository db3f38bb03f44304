// The arithmetic of a download: size check, blocks and progress.
#pragma once
#include "FlashReport.h"
#include <cstdint>

constexpr unsigned int kEraseTimerId = 1;

// True when a file of this many bytes fits into the capacity in bits
// (computed wide enough that no length can wrap around).
bool FitsCapacity(uint64_t fileBytes, int capacityBits);

// Bar position for a progress message: done * 100 / total in unsigned 32-bit
// arithmetic, truncated; 0 when there is no total.
int ProgressPosition(uint32_t done, uint32_t total);

// Reads a packed image back into its table: where each clip and image lies
// in the file and in the flash, and what each audio record says. The file
// stores neither the start addresses nor any length, so they are worked out
// from the records and from the file's end. Nothing in the file is trusted:
// whatever doesn't fit goes into the map's problems. PackedMapWriters.h
// prints the table.
#pragma once
#include "AudioRecord.h"
#include "BuilderParams.h"
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Reads bytes at a file offset; false when they can't be read.
using ReadAt = std::function<bool(uint64_t offset, void* buffer, size_t bytes)>;

struct PackedMapOptions {
    std::optional<uint32_t> audioStart;  // flash address of the file's first byte; inferred when unset
    std::optional<uint32_t> imageStart;  // flash address of the image count; inferred when unset
    uint64_t imageBytes = media::kScreenRbfBytes;   // size of one converted image
    uint32_t systemClock = kDefaultSystemClock;     // Hz, for the sample rates
    uint64_t capacityBytes = 0x400000;   // the flash's size ("32M" bits)
};

// Unknown values (a clip without a banked address, a start address that
// can't be worked out) are left empty.
struct PackedClip {
    uint32_t index = 0;
    uint8_t record[kAudioRecordSize] = {};  // the audio record as stored
    std::optional<uint64_t> flashAddress, offset, length;
    std::optional<media::SpeechFormat> format;  // nothing for an unknown format code
    uint8_t prescaler = 0;             // code 0-3; 3 has no divider
    uint8_t timerCount = 0;
    std::optional<uint32_t> sampleRate;
};

struct PackedImage {
    uint32_t index = 0;
    std::optional<uint64_t> flashAddress;
    uint64_t offset = 0, size = 0;
};

struct PackedMap {
    std::string file;                  // the name to show; ReadPackedMap leaves it alone
    uint64_t size = 0;                 // file size
    std::optional<uint64_t> audioStart;
    bool audioStartInferred = false;   // from clip 0's record rather than given
    std::optional<uint64_t> imageStart;   // flash address of the image count
    std::optional<uint64_t> imageOffset;  // file offset of the image count
    uint32_t clipCount = 0, imageCount = 0;  // as declared by the counts
    std::vector<PackedClip> clips;     // the records present in the file
    std::vector<PackedImage> images;   // the images that begin inside the file
    uint64_t audioEnd = 0;             // file offset one past the audio data
    uint64_t fill = 0;                 // 0xFF bytes between audio data and image count
    std::optional<uint64_t> free;      // flash bytes after the packed image
    uint64_t capacityBytes = 0;
    uint32_t systemClock = 0;          // the clock the sample rates were worked out for
    std::vector<std::string> problems;  // the first of them, and a line for the rest
    uint64_t problemCount = 0;         // every problem found
};

// Fills map from a file of fileSize bytes read through read. Returns false
// only when a read fails (map is then incomplete); every inconsistency of
// the file is a problem.
// Memory and reads stay bounded by the file's size whatever its counts say.
bool ReadPackedMap(const ReadAt& read, uint64_t fileSize, const PackedMapOptions& options, PackedMap* map);

// Why a file read as a packed image is none at all (its first audio record
// is not one); empty when it may be one.
std::string NotPackedImageReason(const PackedMap& map);

// "APM", "MDM", or "?" for an unknown format code.
const char* ClipFormatName(const PackedClip& clip);

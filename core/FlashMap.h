// The builder's flash map: the packed image that the lists and values would
// make, laid out by the packer's own layout from the converted files' sizes
// and read back by the packed image's reader, so that every figure is the
// one `tessa map` gives for the file the packer would write.
#pragma once
#include "PackLayout.h"
#include "PackedImageMap.h"
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What the strip draws, in flash addresses.
enum class MapSpanKind {
    before,      // flash below the audio start, which the image doesn't touch
    records,     // the audio count and records
    clip,
    fill,        // 0xFF up to the image start
    imageCount,
    picture,
    free,        // the flash after the packed image
};

struct MapSpan {
    MapSpanKind kind = MapSpanKind::free;
    uint32_t index = 0;   // a clip's or picture's position in its list
    uint64_t start = 0, length = 0;
};

struct FlashMapInput {
    std::vector<uint64_t> audioSizes;   // converted sizes, in list order
    std::vector<uint64_t> imageSizes;
    PackParams params;
    uint64_t capacityBytes = 0x400000;
    // The list position of each size (a file that can't be converted leaves
    // a gap); none: the positions run from 0.
    std::vector<uint32_t> audioEntries, imageEntries;
};

struct FlashMap {
    PackFailure failure = PackFailure::none;  // the packer's refusal, known from the layout
    bool empty = true;            // no audio and no image: nothing to pack
    PackedMap map;                // the reader's table (when nothing is refused)
    uint64_t capacityBytes = 0;
    uint64_t audioStart = 0, audioEnd = 0, imageStart = 0, end = 0;  // flash addresses
    bool hasImages = false;
    // The lowest image start that fits: the first sector boundary at or
    // after the audio's end.
    uint64_t lowestImageStart = 0;
    // The packed image ends within the capacity, counted from flash address 0.
    bool fits = true;
    std::vector<MapSpan> spans;   // in flash order; the images overlap the audio when refused so
    bool audioStartOdd = false, imageStartOdd = false;  // the Write refuses these
    // Sources that can't be converted, each "name: why"; left out of the map.
    std::vector<std::string> unconvertible;
};

// Lays out and reads back; false only when cancelled meanwhile.
bool MakeFlashMap(const FlashMapInput& input, const std::function<bool()>& cancelled, FlashMap* map);

// The line under the strip, and whether it warns (red): an odd address, a
// file that can't be converted, a refusal of the packer, or an image that
// doesn't fit.
std::string FlashMapFigures(const FlashMap& map);
bool FlashMapWarns(const FlashMap& map);
// The images overlap the audio: the lowest image start that fits helps.
inline bool FlashMapOverlaps(const FlashMap& map) { return map.failure == PackFailure::audioPastImages; }

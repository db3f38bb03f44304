#include "FlashMap.h"
#include "BuilderParams.h"
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

using ull = unsigned long long;

// The packed image the layout describes, as a file to read: the header as
// laid out, 0xFF for the fill, the image count where it goes, and zeros for
// the media, whose bytes the reader doesn't look at. It gives up once the
// map is no longer wanted.
class LaidOutFile {
public:
    LaidOutFile(const PackLayout& layout, size_t imageCount, uint64_t audioStart,
                const std::function<bool()>& cancelled)
        : m_header(layout.Header()), m_audioEnd(layout.AudioEnd() - audioStart),
          m_countAt(imageCount > 0 ? layout.ImageStart() - audioStart : 0), m_imageCount(imageCount),
          m_cancelled(cancelled)
    {
    }

    bool Read(uint64_t offset, void* buffer, size_t bytes) const
    {
        if (m_cancelled && m_cancelled())
            return false;
        uint8_t* out = static_cast<uint8_t*>(buffer);
        while (bytes > 0) {
            const Run run = RunAt(offset);
            const size_t count = static_cast<size_t>(std::min<uint64_t>(bytes, run.end - offset));
            if (offset < m_header.size())
                std::memcpy(out, &m_header[static_cast<size_t>(offset)], count);
            else
                std::memset(out, run.value, count);
            out += count;
            offset += count;
            bytes -= count;
        }
        return true;
    }

private:
    // Bytes alike from an offset on: their value and where they end (the
    // header's bytes are copied as they are).
    struct Run {
        uint8_t value;
        uint64_t end;
    };

    Run RunAt(uint64_t offset) const
    {
        const uint64_t endless = ~uint64_t{0};
        if (offset < m_header.size())
            return Run{ 0, m_header.size() };
        if (m_imageCount == 0)
            return Run{ 0, endless };
        if (offset < m_audioEnd)
            return Run{ 0, m_audioEnd };
        if (offset < m_countAt)
            return Run{ 0xFF, m_countAt };
        if (offset == m_countAt)
            return Run{ static_cast<uint8_t>(m_imageCount), offset + 1 };
        if (offset == m_countAt + 1)
            return Run{ static_cast<uint8_t>(m_imageCount >> 8), offset + 1 };
        return Run{ 0, endless };
    }

    const std::vector<uint8_t>& m_header;
    const uint64_t m_audioEnd;
    const uint64_t m_countAt;
    const size_t m_imageCount;
    const std::function<bool()>& m_cancelled;
};

void AddSpan(std::vector<MapSpan>* spans, MapSpanKind kind, uint32_t index, uint64_t start, uint64_t length)
{
    if (length > 0)
        spans->push_back(MapSpan{ kind, index, start, length });
}

uint32_t Entry(const std::vector<uint32_t>& entries, size_t k)
{
    return k < entries.size() ? entries[k] : static_cast<uint32_t>(k);
}

// The sections where the layout puts them, images included when they
// overlap the audio.
void LayOutSpans(const FlashMapInput& input, const PackLayout& layout, FlashMap* map)
{
    std::vector<MapSpan>& spans = map->spans;
    AddSpan(&spans, MapSpanKind::before, 0, 0, map->audioStart);
    AddSpan(&spans, MapSpanKind::records, 0, map->audioStart, layout.Header().size());
    uint64_t at = map->audioStart + layout.Header().size();
    for (size_t k = 0; k < input.audioSizes.size(); ++k) {
        AddSpan(&spans, MapSpanKind::clip, Entry(input.audioEntries, k), at, input.audioSizes[k]);
        at += input.audioSizes[k];
    }
    uint64_t last = at;
    if (map->hasImages) {
        if (map->imageStart > at)
            AddSpan(&spans, MapSpanKind::fill, 0, at, map->imageStart - at);
        AddSpan(&spans, MapSpanKind::imageCount, 0, map->imageStart, 2);
        at = map->imageStart + 2;
        for (size_t k = 0; k < input.imageSizes.size(); ++k) {
            AddSpan(&spans, MapSpanKind::picture, Entry(input.imageEntries, k), at, input.imageSizes[k]);
            at += input.imageSizes[k];
        }
        last = std::max(last, at);
    }
    if (last < map->capacityBytes)
        AddSpan(&spans, MapSpanKind::free, 0, last, map->capacityBytes - last);
}

std::string Format(const char* format, ...)
{
    char text[320];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// "1140482 bytes: audio 482642, fill 2478, images 655362" from the reader's table.
std::string Sizes(const PackedMap& map)
{
    std::string text = Format("%llu bytes: audio %llu", static_cast<ull>(map.size), static_cast<ull>(map.audioEnd));
    if (map.imageOffset)
        text += Format(", fill %llu, images %llu", static_cast<ull>(map.fill),
                       static_cast<ull>(map.size - *map.imageOffset));
    return text;
}

std::string Refusal(const FlashMap& map)
{
    switch (map.failure) {
    case PackFailure::audioPastImages:
        return Format("Images overlap the audio up to %08llX: lowest image start %08llX",
                      static_cast<ull>(map.audioEnd), static_cast<ull>(map.lowestImageStart));
    case PackFailure::sampleRateZero:
        return "No audio at a sample rate of 0";
    case PackFailure::tooManyFiles:
        return Format("Over %d files in a list", kMaxListEntries);
    case PackFailure::pastAddressSpace:
        return Format("The packed image would end past 4 GiB, at %llX", static_cast<ull>(map.end));
    default:
        return "The packer would refuse it";
    }
}

}  // namespace

bool MakeFlashMap(const FlashMapInput& input, const std::function<bool()>& cancelled, FlashMap* map)
{
    std::vector<std::string> unconvertible = std::move(map->unconvertible);
    *map = FlashMap();
    map->unconvertible = std::move(unconvertible);
    map->capacityBytes = input.capacityBytes;
    map->audioStart = input.params.audioStart;
    map->empty = input.audioSizes.empty() && input.imageSizes.empty();
    map->hasImages = !input.imageSizes.empty();
    map->audioStartOdd = (input.params.audioStart & 1) != 0;
    map->imageStartOdd = (input.params.imageStart & 1) != 0;

    PackLayout layout(input.params, input.audioSizes.size());
    map->failure = LayOutPack(input.audioSizes, input.imageSizes, input.params, &layout);
    map->audioEnd = layout.AudioEnd();
    map->imageStart = map->hasImages ? layout.ImageStart() : 0;
    map->end = layout.End();
    map->lowestImageStart = SectorBoundaryAtOrAfter(map->audioEnd);
    if (map->failure == PackFailure::sampleRateZero || map->failure == PackFailure::tooManyFiles) {
        AddSpan(&map->spans, MapSpanKind::free, 0, 0, map->capacityBytes);
        return true;
    }
    map->fits = map->failure == PackFailure::none && map->end <= map->capacityBytes;
    LayOutSpans(input, layout, map);
    if (map->failure != PackFailure::none || map->empty)
        return true;

    PackedMapOptions options;
    options.audioStart = input.params.audioStart;
    if (map->hasImages)
        options.imageStart = static_cast<uint32_t>(map->imageStart);
    options.systemClock = input.params.systemClock;
    options.capacityBytes = input.capacityBytes;
    const LaidOutFile file(layout, input.imageSizes.size(), map->audioStart, cancelled);
    const ReadAt read = [&file](uint64_t offset, void* buffer, size_t bytes) {
        return file.Read(offset, buffer, bytes);
    };
    return ReadPackedMap(read, map->end - map->audioStart, options, &map->map);
}

std::string FlashMapFigures(const FlashMap& map)
{
    if (map.audioStartOdd)
        return "The audio start address is odd";
    if (map.imageStartOdd)
        return "The image start address is odd";
    if (!map.unconvertible.empty()) {
        std::string text = "Can't convert " + map.unconvertible.front();
        if (map.unconvertible.size() > 1)
            text += Format(" (and %llu more)", static_cast<ull>(map.unconvertible.size() - 1));
        return text;
    }
    if (map.failure != PackFailure::none)
        return Refusal(map);
    if (map.empty)
        return Format("No audio or image file: %llu bytes free", static_cast<ull>(map.capacityBytes));
    if (!map.fits)
        return Sizes(map.map) + Format("; does not fit by %llu", static_cast<ull>(map.end - map.capacityBytes));
    return Sizes(map.map) + Format("; free %llu", static_cast<ull>(map.map.free ? *map.map.free : 0));
}

bool FlashMapWarns(const FlashMap& map)
{
    return map.audioStartOdd || map.imageStartOdd || !map.unconvertible.empty() || map.failure != PackFailure::none || !map.fits;
}

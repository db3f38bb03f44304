#include "PackedImageMap.h"
#include "AudioRecord.h"
#include "SpeechDecoder.h"
#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace {

constexpr size_t kMaxProblems = 200;     // a garbage file could give one per record
constexpr size_t kScanChunk = 0x10000;   // the fill is read backwards in pieces of this
constexpr uint32_t kMaxCount = 0xFFFF;   // the counts are 16 bits wide

using ull = unsigned long long;

// Collects the problems, keeping at most kMaxProblems lines.
class Problems {
public:
    // count: every problem found, listed or not.
    Problems(std::vector<std::string>* lines, uint64_t* count) : m_lines(lines), m_count(count) {}
    ~Problems()
    {
        if (m_dropped > 0)
            m_lines->push_back("... and " + std::to_string(m_dropped) + " more problems");
    }
    void operator()(const char* format, ...)
    {
        ++*m_count;
        if (m_lines->size() >= kMaxProblems) {
            ++m_dropped;
            return;
        }
        char text[256];
        va_list args;
        va_start(args, format);
        vsnprintf(text, sizeof(text), format, args);
        va_end(args);
        m_lines->push_back(text);
    }

private:
    std::vector<std::string>* m_lines;
    uint64_t* m_count;
    uint64_t m_dropped = 0;
};

// The flash address an audio record's address bytes give, or nothing.
std::optional<uint64_t> ReadClipAddress(const PackedClip& clip, uint32_t banked, Problems& problem)
{
    uint64_t flashAddress = 0;
    switch (ClipFlashAddress(banked, &flashAddress)) {
    case ClipAddress::placed:
        return flashAddress;
    case ClipAddress::none:
        problem("clip %u has no banked address (FF FF FF): it begins at flash address 0x400000 or above",
                clip.index);
        return std::nullopt;
    case ClipAddress::notBanked:
        break;
    }
    const uint8_t* r = clip.record;
    problem("clip %u: address bytes %02X %02X %02X are not the banked form of a flash address", clip.index, r[2],
            r[3], r[4]);
    return std::nullopt;
}

void ReadRecord(PackedClip* clip, uint32_t clock, Problems& problem)
{
    const uint8_t* r = clip->record;
    AudioRecord record;
    const bool tailMatches = DecodeAudioRecord(r, &record);
    clip->format = SpeechFormatOfCode(record.formatCode);
    if (!clip->format)
        problem("clip %u: unknown format code %u (control byte 0x%02X)", clip->index, record.formatCode, r[0]);
    clip->prescaler = record.prescaler;
    clip->timerCount = record.timerCount;
    if (clip->prescaler == 3)
        problem("clip %u: unknown prescaler code 3 (control byte 0x%02X)", clip->index, r[0]);
    else
        clip->sampleRate = media::PlaybackRate(clock, clip->prescaler, clip->timerCount);
    if (!tailMatches)
        problem("clip %u: record bytes 5-7 are %02X %02X %02X, not %02X %02X %02X", clip->index, r[5], r[6], r[7],
                kAudioRecordTail[0], kAudioRecordTail[1], kAudioRecordTail[2]);
    clip->flashAddress = ReadClipAddress(*clip, record.banked, problem);
}

// The file offset of the image count: the one place where a count of m is
// followed by exactly m images up to the end of the file. The smallest m
// that fits wins; --image-start settles a file where another would too.
std::optional<uint64_t> FindImageCount(const ReadAt& read, uint64_t size, uint64_t lowest, uint64_t imageBytes,
                                       bool* readFailed)
{
    if (size < 2 || imageBytes == 0)
        return std::nullopt;
    for (uint32_t m = 1; m <= kMaxCount; ++m) {
        if (imageBytes > (size - 2) / m)
            break;
        const uint64_t offset = size - 2 - m * imageBytes;
        if (offset < lowest)
            break;
        uint8_t count[2];
        if (!read(offset, count, 2)) {
            *readFailed = true;
            return std::nullopt;
        }
        if (static_cast<uint32_t>(count[0] | count[1] << 8) == m)
            return offset;
    }
    return std::nullopt;
}

// Where the run of 0xFF bytes that ends at end begins, no lower than lowest.
// The last clip's own trailing 0xFF bytes can't be told from the fill, so
// they are counted as fill.
bool FillStart(const ReadAt& read, uint64_t lowest, uint64_t end, uint64_t* start)
{
    std::vector<uint8_t> buffer(kScanChunk);
    uint64_t pos = end;
    while (pos > lowest) {
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(kScanChunk, pos - lowest));
        if (!read(pos - chunk, buffer.data(), chunk))
            return false;
        size_t i = chunk;
        while (i > 0 && buffer[i - 1] == 0xFF)
            --i;
        pos -= chunk - i;
        if (i > 0)
            break;
    }
    *start = pos;
    return true;
}

// One reading of a packed image, section by section. Each step returns
// false only when a read fails.
class MapReading {
public:
    MapReading(const ReadAt& read, uint64_t fileSize, const PackedMapOptions& options, PackedMap* map)
        : m_read(read), m_size(fileSize), m_options(options), m_map(*map), m_problem(&map->problems, &map->problemCount)
    {
    }

    // The audio count and the records that are there.
    bool ReadClips()
    {
        uint8_t count[2] = {0, 0};
        if (m_size >= 2 && !m_read(0, count, 2))
            return false;
        const uint32_t n = count[0] | count[1] << 8;
        m_map.clipCount = n;
        m_headerSize = 2 + uint64_t{kAudioRecordSize} * n;
        if (m_size < m_headerSize)
            m_problem("the file (%llu bytes) is shorter than its header of %u audio records (%llu bytes)",
                      static_cast<ull>(m_size), n, static_cast<ull>(m_headerSize));
        const size_t present =
            m_size < 2 ? 0 : static_cast<size_t>(std::min<uint64_t>(n, (m_size - 2) / kAudioRecordSize));
        std::vector<uint8_t> records(present * kAudioRecordSize);
        if (present > 0 && !m_read(2, records.data(), records.size()))
            return false;
        m_map.clips.resize(present);
        for (size_t k = 0; k < present; ++k) {
            PackedClip& clip = m_map.clips[k];
            clip.index = static_cast<uint32_t>(k);
            std::copy_n(&records[k * kAudioRecordSize], kAudioRecordSize, clip.record);
            ReadRecord(&clip, m_options.systemClock, m_problem);
        }
        return true;
    }

    // The audio start (given, or clip 0 begins right after the records) and
    // the clips' file offsets.
    void PlaceClips()
    {
        const std::vector<PackedClip>& clips = m_map.clips;
        if (m_options.audioStart) {
            m_map.audioStart = m_options.audioStart;
        } else if (!clips.empty() && clips[0].flashAddress) {
            if (*clips[0].flashAddress >= m_headerSize) {
                m_map.audioStart = *clips[0].flashAddress - m_headerSize;
                m_map.audioStartInferred = true;
            } else {
                m_problem("clip 0 begins at flash address 0x%08llX, inside its own header: the audio start is unknown",
                          static_cast<ull>(*clips[0].flashAddress));
            }
        }
        m_lastClipStart = m_headerSize;
        for (PackedClip& clip : m_map.clips) {
            if (!clip.flashAddress || !m_map.audioStart)
                continue;
            if (*clip.flashAddress < *m_map.audioStart) {
                m_problem("clip %u begins at flash address 0x%08llX, before the audio start", clip.index,
                          static_cast<ull>(*clip.flashAddress));
                continue;
            }
            clip.offset = *clip.flashAddress - *m_map.audioStart;
            m_lastClipStart = std::max(m_lastClipStart, *clip.offset);
        }
    }

    // The image section: given, or found from the end of the file.
    bool FindImages()
    {
        if (!m_options.imageStart) {
            bool readFailed = false;
            m_map.imageOffset = FindImageCount(m_read, m_size, m_lastClipStart, m_options.imageBytes, &readFailed);
            return !readFailed;
        }
        if (!m_map.audioStart)
            m_problem("the image start can't be placed in the file while the audio start is unknown");
        else if (*m_options.imageStart < *m_map.audioStart)
            m_problem("the image start 0x%08llX lies before the audio start", static_cast<ull>(*m_options.imageStart));
        else
            m_map.imageOffset = *m_options.imageStart - *m_map.audioStart;
        return true;
    }

    // The image count, the images and the fill before them; the audio data
    // end where the fill begins.
    bool ReadImages()
    {
        m_map.audioEnd = m_size;
        if (!m_map.imageOffset)
            return true;
        const uint64_t o = *m_map.imageOffset;
        if (m_map.audioStart)
            m_map.imageStart = *m_map.audioStart + o;
        if (m_size < 2 || o > m_size - 2) {
            m_problem("the image section (file offset %llu) lies past the end of the file", static_cast<ull>(o));
            return true;
        }
        uint8_t count[2];
        if (!m_read(o, count, 2))
            return false;
        const uint32_t m = count[0] | count[1] << 8;
        m_map.imageCount = m;
        ListImages(o, m);
        if (o < m_lastClipStart) {
            m_problem("the image section (file offset %llu) overlaps the audio section, which reaches offset %llu",
                      static_cast<ull>(o), static_cast<ull>(m_lastClipStart));
            m_map.audioEnd = o;
            return true;
        }
        if (!FillStart(m_read, m_lastClipStart, o, &m_map.audioEnd))
            return false;
        m_map.fill = o - m_map.audioEnd;
        return true;
    }

    // Each clip runs to the next one, the last to the end of the audio data.
    void MeasureClips()
    {
        const PackedClip* previous = nullptr;
        for (PackedClip& clip : m_map.clips) {
            if (!clip.offset)
                continue;
            const uint64_t offset = *clip.offset;
            CheckClipOffset(clip, previous);
            previous = &clip;
            if (offset < m_headerSize || offset > m_map.audioEnd)
                continue;
            if (clip.index + 1 == m_map.clipCount) {
                clip.length = m_map.audioEnd - offset;
            } else if (clip.index + 1 < m_map.clips.size()) {
                const std::optional<uint64_t>& next = m_map.clips[clip.index + 1].offset;
                if (next && *next >= offset && *next <= m_map.audioEnd)
                    clip.length = *next - offset;
            }
        }
    }

    // The flash left after the packed image.
    void MeasureFree()
    {
        if (!m_map.audioStart)
            return;
        const uint64_t end = *m_map.audioStart + m_size;
        if (end > m_options.capacityBytes) {
            m_problem("the packed image ends at flash address 0x%08llX, past the end of the flash (0x%08llX)",
                      static_cast<ull>(end), static_cast<ull>(m_options.capacityBytes));
            m_map.free = 0;
        } else {
            m_map.free = m_options.capacityBytes - end;
        }
    }

private:
    // The m images from file offset o on, as far as they begin inside the
    // file, and what doesn't fit.
    void ListImages(uint64_t o, uint32_t m)
    {
        const uint64_t imageBytes = m_options.imageBytes;
        const uint64_t room = m_size - o - 2;
        if (m == 0)
            m_problem("the image count at file offset %llu is 0", static_cast<ull>(o));
        else if (imageBytes > room / m)
            m_problem("the %u images of %llu bytes from file offset %llu run past the end of the file", m,
                      static_cast<ull>(imageBytes), static_cast<ull>(o + 2));
        else if (room > m * imageBytes)
            m_problem("%llu bytes follow the last image", static_cast<ull>(room - m * imageBytes));
        uint64_t offset = o + 2;
        for (uint32_t k = 0; k < m && offset < m_size; ++k) {
            PackedImage image;
            image.index = k;
            image.offset = offset;
            image.size = imageBytes;
            if (m_map.audioStart)
                image.flashAddress = *m_map.audioStart + offset;
            m_map.images.push_back(image);
            if (imageBytes >= m_size - offset)
                break;
            offset += imageBytes;
        }
    }

    void CheckClipOffset(const PackedClip& clip, const PackedClip* previous)
    {
        const uint64_t offset = *clip.offset;
        if (offset < m_headerSize)
            m_problem("clip %u points into the audio records (file offset %llu)", clip.index, static_cast<ull>(offset));
        else if (offset > m_size)
            m_problem("clip %u points outside the file (file offset %llu)", clip.index, static_cast<ull>(offset));
        else if (offset > m_map.audioEnd)
            m_problem("clip %u begins at file offset %llu, past the end of the audio data (%llu)", clip.index,
                      static_cast<ull>(offset), static_cast<ull>(m_map.audioEnd));
        else if (clip.index == 0 && offset != m_headerSize)
            m_problem("clip 0 begins at file offset %llu, not right after the records (%llu)",
                      static_cast<ull>(offset), static_cast<ull>(m_headerSize));
        if (previous && offset < *previous->offset)
            m_problem("clip %u begins before clip %u (file offset %llu < %llu)", clip.index, previous->index,
                      static_cast<ull>(offset), static_cast<ull>(*previous->offset));
    }

    const ReadAt& m_read;
    const uint64_t m_size;
    const PackedMapOptions& m_options;
    PackedMap& m_map;
    Problems m_problem;
    uint64_t m_headerSize = 2;
    uint64_t m_lastClipStart = 2;  // the image count can lie no lower
};

}  // namespace

const char* ClipFormatName(const PackedClip& clip)
{
    return clip.format ? media::SpeechFormatName(*clip.format) : "?";
}

bool ReadPackedMap(const ReadAt& read, uint64_t fileSize, const PackedMapOptions& options, PackedMap* map)
{
    const std::string file = map->file;
    *map = PackedMap();
    map->file = file;
    map->size = fileSize;
    map->capacityBytes = options.capacityBytes;
    map->systemClock = options.systemClock;
    MapReading reading(read, fileSize, options, map);
    if (!reading.ReadClips())
        return false;
    reading.PlaceClips();
    if (!reading.FindImages() || !reading.ReadImages())
        return false;
    reading.MeasureClips();
    reading.MeasureFree();
    return true;
}

std::string NotPackedImageReason(const PackedMap& map)
{
    if (map.clips.empty())
        return std::string();
    const uint8_t* r = map.clips.front().record;
    if (std::equal(r + 5, r + 8, kAudioRecordTail))
        return std::string();
    char text[96];
    std::snprintf(text, sizeof text, "its first audio record ends in %02X %02X %02X, not %02X %02X %02X", r[5], r[6],
                  r[7], kAudioRecordTail[0], kAudioRecordTail[1], kAudioRecordTail[2]);
    return text;
}

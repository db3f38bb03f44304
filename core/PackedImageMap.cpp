#include "PackedImageMap.h"
#include "Packer.h"
#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace {

constexpr size_t kMaxProblems = 200;     // a garbage file could give one per record
constexpr size_t kScanChunk = 0x10000;   // the fill is read backwards in pieces of this
constexpr uint32_t kMaxCount = 0xFFFF;   // the counts are 16 bits wide
constexpr uint32_t kNoBankedForm = 0xFFFFFF;

using ull = unsigned long long;

// Collects the problems, keeping at most kMaxProblems lines.
class Problems {
public:
    explicit Problems(std::vector<std::string>* lines) : m_lines(lines) {}
    ~Problems()
    {
        if (m_dropped > 0)
            m_lines->push_back("... and " + std::to_string(m_dropped) + " more problems");
    }
    void operator()(const char* format, ...)
    {
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
    uint64_t m_dropped = 0;
};

uint32_t Divider(uint8_t prescaler) { return 2u << prescaler; }

// The flash address an audio record's address bytes give, or nothing.
std::optional<uint64_t> DecodeClipAddress(const PackedClip& clip, Problems& problem)
{
    const uint8_t* r = clip.record;
    const uint32_t banked = r[2] | r[3] << 8 | r[4] << 16;
    if (banked == kNoBankedForm) {
        problem("clip %u has no banked address (FF FF FF): it begins at flash address 0x400000 or above",
                clip.index);
        return std::nullopt;
    }
    const uint32_t device = (banked >> 16) << 15 | (banked & 0x7FFF);
    if (device < kDeviceAddressOffset || BankAddress(device) != banked) {
        problem("clip %u: address bytes %02X %02X %02X are not the banked form of a flash address",
                clip.index, r[2], r[3], r[4]);
        return std::nullopt;
    }
    return device - kDeviceAddressOffset;
}

void ReadRecord(PackedClip* clip, uint32_t clock, Problems& problem)
{
    const uint8_t* r = clip->record;
    const unsigned format = r[0] >> 3 & 7;
    clip->format = format == 0 ? "APM" : format == 2 ? "MDM" : "?";
    if (format != 0 && format != 2)
        problem("clip %u: unknown format code %u (control byte 0x%02X)", clip->index, format, r[0]);
    clip->prescaler = static_cast<uint8_t>(r[0] >> 6);
    clip->timerCount = r[1];
    if (clip->prescaler == 3) {
        problem("clip %u: unknown prescaler code 3 (control byte 0x%02X)", clip->index, r[0]);
    } else {
        const uint64_t periods = static_cast<uint64_t>(Divider(clip->prescaler)) * (clip->timerCount + 1u);
        clip->sampleRate = static_cast<uint32_t>((clock + periods / 2) / periods);
    }
    if (r[5] != 0x88 || r[6] != 0x01 || r[7] != 0xFF)
        problem("clip %u: record bytes 5-7 are %02X %02X %02X, not 88 01 FF", clip->index, r[5], r[6], r[7]);
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

}  // namespace

bool ReadPackedMap(const ReadAt& read, uint64_t fileSize, const PackedMapOptions& options, PackedMap* map)
{
    const std::string file = map->file;
    *map = PackedMap();
    map->file = file;
    map->size = fileSize;
    map->capacityBytes = options.capacityBytes;
    map->systemClock = options.systemClock;
    Problems problem(&map->problems);

    // The audio count and the records that are there.
    uint8_t count[2] = {0, 0};
    if (fileSize >= 2 && !read(0, count, 2))
        return false;
    const uint32_t n = count[0] | count[1] << 8;
    map->clipCount = n;
    const uint64_t headerSize = 2 + uint64_t{kAudioRecordSize} * n;
    if (fileSize < headerSize)
        problem("the file (%llu bytes) is shorter than its header of %u audio records (%llu bytes)",
                static_cast<ull>(fileSize), n, static_cast<ull>(headerSize));
    const size_t present = fileSize < 2 ? 0 : static_cast<size_t>(std::min<uint64_t>(n, (fileSize - 2) / kAudioRecordSize));
    std::vector<uint8_t> records(present * kAudioRecordSize);
    if (present > 0 && !read(2, records.data(), records.size()))
        return false;
    map->clips.resize(present);
    for (size_t k = 0; k < present; ++k) {
        PackedClip& clip = map->clips[k];
        clip.index = static_cast<uint32_t>(k);
        std::copy_n(&records[k * kAudioRecordSize], kAudioRecordSize, clip.record);
        ReadRecord(&clip, options.systemClock, problem);
        clip.flashAddress = DecodeClipAddress(clip, problem);
    }

    // The audio start: given, or clip 0 begins right after the records.
    if (options.audioStart) {
        map->audioStart = options.audioStart;
    } else if (present > 0 && map->clips[0].flashAddress) {
        if (*map->clips[0].flashAddress >= headerSize) {
            map->audioStart = *map->clips[0].flashAddress - headerSize;
            map->audioStartInferred = true;
        } else {
            problem("clip 0 begins at flash address 0x%08llX, inside its own header: the audio start is unknown",
                    static_cast<ull>(*map->clips[0].flashAddress));
        }
    }
    uint64_t lastClipStart = headerSize;  // the image count can lie no lower
    for (PackedClip& clip : map->clips) {
        if (!clip.flashAddress || !map->audioStart)
            continue;
        if (*clip.flashAddress < *map->audioStart) {
            problem("clip %u begins at flash address 0x%08llX, before the audio start", clip.index,
                    static_cast<ull>(*clip.flashAddress));
            continue;
        }
        clip.offset = *clip.flashAddress - *map->audioStart;
        lastClipStart = std::max(lastClipStart, *clip.offset);
    }

    // The image section: given, or found from the end of the file.
    bool readFailed = false;
    if (options.imageStart) {
        if (!map->audioStart)
            problem("the image start can't be placed in the file while the audio start is unknown");
        else if (*options.imageStart < *map->audioStart)
            problem("the image start 0x%08llX lies before the audio start", static_cast<ull>(*options.imageStart));
        else
            map->imageOffset = *options.imageStart - *map->audioStart;
    } else {
        map->imageOffset = FindImageCount(read, fileSize, lastClipStart, options.imageBytes, &readFailed);
        if (readFailed)
            return false;
    }
    map->audioEnd = fileSize;
    if (map->imageOffset) {
        const uint64_t o = *map->imageOffset;
        if (map->audioStart)
            map->imageStart = *map->audioStart + o;
        if (fileSize < 2 || o > fileSize - 2) {
            problem("the image section (file offset %llu) lies past the end of the file", static_cast<ull>(o));
        } else {
            if (!read(o, count, 2))
                return false;
            const uint32_t m = count[0] | count[1] << 8;
            map->imageCount = m;
            const uint64_t room = fileSize - o - 2;
            if (m == 0)
                problem("the image count at file offset %llu is 0", static_cast<ull>(o));
            else if (options.imageBytes > room / m)
                problem("the %u images of %llu bytes from file offset %llu run past the end of the file", m,
                        static_cast<ull>(options.imageBytes), static_cast<ull>(o + 2));
            else if (room > m * options.imageBytes)
                problem("%llu bytes follow the last image", static_cast<ull>(room - m * options.imageBytes));
            uint64_t offset = o + 2;
            for (uint32_t k = 0; k < m && offset < fileSize; ++k) {
                PackedImage image;
                image.index = k;
                image.offset = offset;
                image.size = options.imageBytes;
                if (map->audioStart)
                    image.flashAddress = *map->audioStart + offset;
                map->images.push_back(image);
                if (options.imageBytes >= fileSize - offset)
                    break;
                offset += options.imageBytes;
            }
            if (o < lastClipStart) {
                problem("the image section (file offset %llu) overlaps the audio section, which reaches offset %llu",
                        static_cast<ull>(o), static_cast<ull>(lastClipStart));
                map->audioEnd = o;
            } else {
                if (!FillStart(read, lastClipStart, o, &map->audioEnd))
                    return false;
                map->fill = o - map->audioEnd;
            }
        }
    }

    // Each clip runs to the next one, the last to the end of the audio data.
    const PackedClip* previous = nullptr;
    for (PackedClip& clip : map->clips) {
        if (!clip.offset)
            continue;
        const uint64_t offset = *clip.offset;
        if (offset < headerSize)
            problem("clip %u points into the audio records (file offset %llu)", clip.index, static_cast<ull>(offset));
        else if (offset > fileSize)
            problem("clip %u points outside the file (file offset %llu)", clip.index, static_cast<ull>(offset));
        else if (offset > map->audioEnd)
            problem("clip %u begins at file offset %llu, past the end of the audio data (%llu)", clip.index,
                    static_cast<ull>(offset), static_cast<ull>(map->audioEnd));
        else if (clip.index == 0 && offset != headerSize)
            problem("clip 0 begins at file offset %llu, not right after the records (%llu)",
                    static_cast<ull>(offset), static_cast<ull>(headerSize));
        if (previous && offset < *previous->offset)
            problem("clip %u begins before clip %u (file offset %llu < %llu)", clip.index, previous->index,
                    static_cast<ull>(offset), static_cast<ull>(*previous->offset));
        previous = &clip;
        if (offset < headerSize || offset > map->audioEnd)
            continue;
        if (clip.index + 1 == n) {
            clip.length = map->audioEnd - offset;
        } else if (clip.index + 1 < present) {
            const std::optional<uint64_t>& next = map->clips[clip.index + 1].offset;
            if (next && *next >= offset && *next <= map->audioEnd)
                clip.length = *next - offset;
        }
    }

    if (map->audioStart) {
        const uint64_t end = *map->audioStart + fileSize;
        if (end > options.capacityBytes) {
            problem("the packed image ends at flash address 0x%08llX, past the end of the flash (0x%08llX)",
                    static_cast<ull>(end), static_cast<ull>(options.capacityBytes));
            map->free = 0;
        } else {
            map->free = options.capacityBytes - end;
        }
    }
    return true;
}

namespace {

std::string Hex(const std::optional<uint64_t>& value)
{
    if (!value)
        return "?";
    char text[24];
    snprintf(text, sizeof(text), "0x%08llX", static_cast<ull>(*value));
    return text;
}

template <typename T>
std::string Dec(const std::optional<T>& value)
{
    return value ? std::to_string(*value) : "?";
}

template <typename T>
std::string Json(const std::optional<T>& value)
{
    return value ? std::to_string(*value) : "null";
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            snprintf(escaped, sizeof(escaped), "\\u%04X", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string Prescaler(const PackedClip& clip)
{
    return std::to_string(clip.prescaler)
        + (clip.prescaler == 3 ? " (?)" : " (/" + std::to_string(Divider(clip.prescaler)) + ")");
}

}  // namespace

std::string FormatPackedMapText(const PackedMap& map)
{
    char line[256];
    std::string out = "file: " + map.file + "\nsize: " + std::to_string(map.size) + " bytes\naudio start: ";
    out += map.audioStart ? Hex(map.audioStart) + (map.audioStartInferred ? " (from clip 0)" : " (given)")
                          : std::string("unknown");
    out += "\nclips: " + std::to_string(map.clipCount) + "\n";
    if (!map.clips.empty())
        out += "  clip  flash address      offset      length  format  prescaler  timer   rate (Hz)\n";
    for (const PackedClip& clip : map.clips) {
        snprintf(line, sizeof(line), "%6u  %13s  %10s  %10s  %-6s  %-9s  %5u  %10s\n", clip.index,
                 Hex(clip.flashAddress).c_str(), Dec(clip.offset).c_str(), Dec(clip.length).c_str(),
                 clip.format.c_str(), Prescaler(clip).c_str(), clip.timerCount, Dec(clip.sampleRate).c_str());
        out += line;
    }
    out += "image start: ";
    out += map.imageOffset ? Hex(map.imageStart) + " (file offset " + std::to_string(*map.imageOffset) + ")"
                           : std::string("none");
    out += "\nimages: " + std::to_string(map.imageCount) + "\n";
    if (!map.images.empty())
        out += "  image  flash address      offset        size\n";
    for (const PackedImage& image : map.images) {
        snprintf(line, sizeof(line), "%7u  %13s  %10llu  %10llu\n", image.index, Hex(image.flashAddress).c_str(),
                 static_cast<ull>(image.offset), static_cast<ull>(image.size));
        out += line;
    }
    out += "fill: " + std::to_string(map.fill) + " bytes\nfree: " + Dec(map.free) + " of "
        + std::to_string(map.capacityBytes) + " bytes\n";
    out += "legend: offsets, lengths and sizes in bytes; rate = " + std::to_string(map.systemClock)
        + " Hz / (divider x (timer + 1)); ? = unknown\n";
    if (map.imageOffset)
        out += "legend: trailing 0xFF bytes of the last clip can't be told from the fill and count as fill\n";
    for (const std::string& problem : map.problems)
        out += "problem: " + problem + "\n";
    return out;
}

std::string FormatPackedMapJson(const PackedMap& map)
{
    std::string out = "{\"file\": " + JsonString(map.file) + ", \"size\": " + std::to_string(map.size)
        + ", \"audioStart\": " + Json(map.audioStart)
        + ", \"audioStartInferred\": " + (map.audioStartInferred ? "true" : "false")
        + ", \"imageStart\": " + Json(map.imageStart) + ",\n \"clipCount\": " + std::to_string(map.clipCount)
        + ", \"clips\": [";
    for (const PackedClip& clip : map.clips) {
        out += std::string(clip.index == 0 ? "" : ",") + "\n  {\"index\": " + std::to_string(clip.index)
            + ", \"flashAddress\": " + Json(clip.flashAddress) + ", \"offset\": " + Json(clip.offset)
            + ", \"length\": " + Json(clip.length) + ", \"format\": " + JsonString(clip.format)
            + ", \"prescaler\": " + std::to_string(clip.prescaler) + ", \"timerCount\": "
            + std::to_string(clip.timerCount) + ", \"sampleRate\": " + Json(clip.sampleRate) + "}";
    }
    out += "],\n \"imageCount\": " + std::to_string(map.imageCount) + ", \"images\": [";
    for (const PackedImage& image : map.images) {
        out += std::string(image.index == 0 ? "" : ",") + "\n  {\"index\": " + std::to_string(image.index)
            + ", \"flashAddress\": " + Json(image.flashAddress) + ", \"offset\": " + std::to_string(image.offset)
            + ", \"size\": " + std::to_string(image.size) + "}";
    }
    out += "],\n \"fill\": " + std::to_string(map.fill) + ", \"free\": " + Json(map.free) + ", \"problems\": [";
    for (size_t i = 0; i < map.problems.size(); ++i)
        out += std::string(i == 0 ? "" : ",") + "\n  " + JsonString(map.problems[i]);
    return out + "]}\n";
}

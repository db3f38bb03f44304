#include "PackedMapWriters.h"
#include "AudioRecord.h"
#include <cstdio>

namespace {

using ull = unsigned long long;

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
        + (clip.prescaler == 3 ? " (?)" : " (/" + std::to_string(PrescalerDivider(clip.prescaler)) + ")");
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
                 ClipFormatName(clip), Prescaler(clip).c_str(), clip.timerCount, Dec(clip.sampleRate).c_str());
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
            + ", \"length\": " + Json(clip.length) + ", \"format\": " + JsonString(ClipFormatName(clip))
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

#include "FlashMapBuilder.h"
#include "ConversionPlan.h"
#include "FlashRange.h"
#include "MediaPreview.h"
#include <windows.h>
#include <cctype>
#include <vector>

namespace {

// Beyond this many sizes kept, those the last build did not use go.
constexpr size_t kCacheKeep = 1024;

uint64_t FileSizeOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The files to convert, in the order they are packed.
struct Source {
    const std::string* path;
    bool audio;
    uint32_t entry;   // its position in its list
};

void Place(FlashMapInput* input, const Source& source, uint64_t size)
{
    (source.audio ? input->audioSizes : input->imageSizes).push_back(size);
    (source.audio ? input->audioEntries : input->imageEntries).push_back(source.entry);
}

}  // namespace

bool FlashMapBuilder::KeyOf(const std::string& source, bool audio, const BuildRequest& request, Key* key)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExA(source.c_str(), GetFileExInfoStandard, &data)
        || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    key->path = source;
    key->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    key->writeTime = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32)
        | data.ftLastWriteTime.dwLowDateTime;
    key->audio = audio;
    if (audio) {
        // The converter takes the format's name without regard to case.
        for (const char c : request.speechFormat)
            key->format += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        key->rate = request.sampleRate;
    }
    return true;
}

FlashMapBuilder::Converted FlashMapBuilder::Convert(const Key& key, const BuildRequest& request) const
{
    Converted result;
    std::string converted;
    if (!TempConvertedPath(key.audio ? "clip" : "rbf", &converted)) {
        result.problem = "the temporary folder can't be named in the ANSI code page";
        return result;
    }
    result.ok = key.audio ? m_converters.ConvertAudioOnly(request.speechFormat, key.path, converted,
                                                          request.sampleRate) != 0
                          : m_converters.ConvertImage(key.path, converted, request.imageWidth,
                                                      request.imageHeight, request.background) != 0;
    if (result.ok)
        result.size = FileSizeOf(converted);
    ::DeleteFileA(converted.c_str());
    if (!result.ok) {
        const ConversionDiagnosis diagnosis = key.audio
            ? m_converters.DiagnoseAudio(request.speechFormat, key.path, request.sampleRate)
            : m_converters.DiagnoseImage(key.path);
        result.problem = ConversionProblemText(diagnosis, key.audio);
    }
    return result;
}

bool FlashMapBuilder::Build(const FlashMapRequest& request, const std::function<bool()>& cancelled,
                            FlashMapReport* report, FlashMap* map)
{
    const BuildRequest& build = request.build;
    ++m_build;
    std::vector<Source> sources;
    for (size_t k = 0; k < build.audioFiles.size(); ++k)
        sources.push_back(Source{ &build.audioFiles[k], true, static_cast<uint32_t>(k) });
    for (size_t k = 0; k < build.imageFiles.size(); ++k)
        sources.push_back(Source{ &build.imageFiles[k], false, static_cast<uint32_t>(k) });

    // What must be converted first, so that progress can say how much.
    std::vector<Key> keys(sources.size());
    std::vector<bool> known(sources.size(), false);
    size_t toConvert = 0;
    for (size_t i = 0; i < sources.size(); ++i) {
        known[i] = KeyOf(*sources[i].path, sources[i].audio, build, &keys[i]);
        if (known[i] && m_cache.find(keys[i]) == m_cache.end() && !(sources[i].audio && build.sampleRate <= 0))
            ++toConvert;
    }

    FlashMapInput input;
    map->unconvertible.clear();
    size_t done = 0;
    for (size_t i = 0; i < sources.size(); ++i) {
        if (cancelled && cancelled())
            return false;
        const std::string& path = *sources[i].path;
        if (sources[i].audio && build.sampleRate <= 0) {
            Place(&input, sources[i], 0);  // no rate to convert at: the layout refuses it
            continue;
        }
        if (!known[i]) {
            map->unconvertible.push_back(FileNameOf(path) + ": not found");
            continue;
        }
        auto found = m_cache.find(keys[i]);
        if (found == m_cache.end()) {
            if (report)
                report->Converting(path, done++, toConvert);
            found = m_cache.emplace(keys[i], Convert(keys[i], build)).first;
            ++m_conversions;
        }
        Converted& converted = found->second;
        converted.used = m_build;
        if (!converted.ok)
            map->unconvertible.push_back(FileNameOf(path) + ": " + converted.problem);
        else
            Place(&input, sources[i], converted.size);
    }
    Prune();

    input.params = PackParamsOf(build);
    input.capacityBytes = request.capacityBytes;
    return MakeFlashMap(input, cancelled, map);
}

void FlashMapBuilder::Prune()
{
    if (m_cache.size() <= kCacheKeep)
        return;
    for (auto it = m_cache.begin(); it != m_cache.end();) {
        if (it->second.used != m_build)
            it = m_cache.erase(it);
        else
            ++it;
    }
}

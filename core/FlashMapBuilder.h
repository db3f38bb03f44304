// Makes the builder's flash map from the lists and values as they stand,
// without any window: converts what it doesn't know yet into the temporary
// folder (one file at a time, removing what it made), keeps the converted
// sizes for the next time, and lays out the rest from them (FlashMap.h).
#pragma once
#include "BuildChain.h"
#include "FlashMap.h"
#include "MediaConverters.h"
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <tuple>

struct FlashMapRequest {
    BuildRequest build;                 // the lists and the builder's values; no file is written
    uint64_t capacityBytes = 0x400000;  // the flash chosen for the download
};

class FlashMapReport {
public:
    // Before a file the cache doesn't know is converted: the done-th of
    // total such files.
    virtual void Converting(const std::string& source, size_t done, size_t total) {}

protected:
    ~FlashMapReport() = default;
};

class FlashMapBuilder {
public:
    explicit FlashMapBuilder(const MediaConverters& converters) : m_converters(converters) {}

    // The map of request. Returns false when cancelled (asked between files
    // and while the map is read back); the map is then incomplete, but every
    // conversion finished is kept.
    bool Build(const FlashMapRequest& request, const std::function<bool()>& cancelled, FlashMapReport* report,
               FlashMap* map);

    // Conversions run so far.
    uint64_t Conversions() const { return m_conversions; }

private:
    // What a converted size depends on: the source file as it is (path,
    // size, write time) and, for audio, the speech format and rate.
    struct Key {
        std::string path;
        uint64_t size = 0, writeTime = 0;
        bool audio = false;
        std::string format;
        int rate = 0;
        bool operator<(const Key& other) const
        {
            return std::tie(path, size, writeTime, audio, format, rate)
                < std::tie(other.path, other.size, other.writeTime, other.audio, other.format, other.rate);
        }
    };
    struct Converted {
        bool ok = false;
        uint64_t size = 0;
        std::string problem;   // why not, when not
        uint64_t used = 0;     // the build that last asked for it
    };

    // The key of a source as it is now; false when it can't be looked at.
    static bool KeyOf(const std::string& source, bool audio, const BuildRequest& request, Key* key);
    Converted Convert(const Key& key, const BuildRequest& request) const;
    // Forgets what the last builds did not ask for, once there is much of it.
    void Prune();

    MediaConverters m_converters;
    std::map<Key, Converted> m_cache;
    uint64_t m_build = 0;
    uint64_t m_conversions = 0;
};

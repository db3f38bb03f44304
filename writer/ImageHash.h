// SHA-256 of an image, fed with the bytes as a run reads them, through
// Windows' own hashing.
#pragma once
#include <cstddef>
#include <string>

class ImageHash {
public:
    ImageHash();
    ~ImageHash();
    ImageHash(const ImageHash&) = delete;
    ImageHash& operator=(const ImageHash&) = delete;

    void Add(const void* data, size_t size);
    // Lower-case hex of everything added; empty when the hashing failed.
    // Ends the hash: nothing more can be added.
    std::string Finish();

private:
    void* m_algorithm = nullptr;
    void* m_hash = nullptr;
    bool m_ok = false;
};

// The size a picture file declares, read from its first bytes before any
// decoder sees it, and the limits a picture must keep. No Windows calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace picmill {

// Random access to the bytes of a picture file; and the same over memory.
class PictureBytes {
public:
    virtual ~PictureBytes() {}
    virtual uint64_t Size() const = 0;
    // Copies up to `count` bytes from `offset`; returns how many there were.
    virtual size_t ReadAt(uint64_t offset, uint8_t* buffer, size_t count) = 0;
};

class MemoryBytes : public PictureBytes {
public:
    MemoryBytes(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
    uint64_t Size() const override { return size_; }
    size_t ReadAt(uint64_t offset, uint8_t* buffer, size_t count) override
    {
        if (offset >= size_)
            return 0;
        const size_t n = count < size_ - offset ? count : static_cast<size_t>(size_ - offset);
        std::memcpy(buffer, data_ + offset, n);
        return n;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

enum class PictureKind { Unknown, Bmp, Png, Jpeg, Gif };

struct PictureSize {
    PictureKind kind = PictureKind::Unknown;
    uint32_t width = 0, height = 0;
    // GIF: the pixels of every frame together (a decoder may hold them all).
    uint64_t framePixels = 0;
};

// Reads the kind from the signature and the declared size: BMP from its info
// header (either orientation), PNG from IHDR, JPEG from the first start-of-frame
// segment, GIF from its logical screen, walking every frame. False when the
// kind is none of these or the size can't be found.
bool ReadPictureSize(PictureBytes& bytes, PictureSize& size);

// Largest side and largest number of pixels accepted: 8192 x 6144 = 48 Mi.
// Decoders hold the whole picture (up to 8 bytes a pixel) while it is scaled.
const uint32_t kMaxPictureSide = 65535;
const uint64_t kMaxPicturePixels = 48ull * 1024 * 1024;

// Whether a picture of this size (and, for GIF, of these frame pixels) is
// accepted: both sides 1 ... kMaxPictureSide, and width x height (and the
// frames' pixels) at most kMaxPicturePixels.
bool PictureSizeAccepted(uint32_t width, uint32_t height, uint64_t framePixels = 0);

}  // namespace picmill

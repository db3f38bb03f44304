// Random access to the bytes of a source, so that it can be read in pieces
// whatever its size; and the same over bytes already in memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tunemill {

class ByteSource {
public:
    virtual ~ByteSource() {}
    virtual uint64_t Size() const = 0;
    // Copies up to `count` bytes from `offset`; returns how many there were.
    virtual size_t ReadAt(uint64_t offset, void* buffer, size_t count) = 0;
};

class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}

    uint64_t Size() const override { return size_; }
    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override
    {
        if (offset >= size_)
            return 0;
        const size_t available = size_ - static_cast<size_t>(offset);
        const size_t n = count < available ? count : available;
        std::memcpy(buffer, data_ + offset, n);
        return n;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

}  // namespace tunemill

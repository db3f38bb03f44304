// The source file, read in pieces. Paths are in the system's ANSI code page.
#pragma once
#include "ByteSource.h"

#include <windows.h>

namespace tunemill {

// Sources larger than this are refused.
const uint64_t kMaxSourceBytes = 128u * 1024 * 1024;

class SourceFile : public ByteSource {
public:
    SourceFile() = default;
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    // False when the file is missing, unreadable, empty or over kMaxSourceBytes.
    bool Open(const char* path);

    uint64_t Size() const override { return size_; }
    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override;

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    uint64_t size_ = 0;
};

}  // namespace tunemill

// The source file, read in pieces. It is held open, shared for reading only,
// until destroyed, so nothing else writes, replaces or deletes it meanwhile.
#pragma once
#include "ByteSource.h"

#include <windows.h>

#include <string>

#include "FilePaths.h"

namespace tunemill {

// Sources larger than this are refused.
const uint64_t kMaxSourceBytes = 128u * 1024 * 1024;

class SourceFile : public ByteSource {
public:
    SourceFile() = default;
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    // `path` in the form FilePaths.h makes (LongPathForm). False when the
    // file is missing, unreadable, not a file on disk, empty or over
    // kMaxSourceBytes.
    bool Open(const std::wstring& path);
    // Finds the file's identity, for telling it from the outputs (slow under
    // Wine, so apart from Open: it can run beside the reading). False when it
    // can't be had.
    bool FindId() { return millfiles::IdOfHandle(handle_, id_); }
    const millfiles::FileId& Id() const { return id_; }

    uint64_t Size() const override { return size_; }
    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override;

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    uint64_t size_ = 0;
    millfiles::FileId id_;
};

}  // namespace tunemill

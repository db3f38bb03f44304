// An output file written under a temporary name in its own folder and put in
// place only when complete. Until Commit whatever is at the final path stays as
// it was (Commit replaces it); a StagedFile destroyed without a Commit deletes
// its temporary file.
// Paths are in the system's ANSI code page.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tunemill {

class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates the temporary file beside finalPath; false when that fails.
    bool Create(const char* finalPath);
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

    // Appends, through a buffer. False (and from then on always false) once a
    // write has failed.
    bool Write(const void* data, size_t size);
    // Replaces bytes already written, e.g. a header whose sizes are known last.
    bool Overwrite(uint64_t offset, const void* data, size_t size);
    uint64_t Size() const { return size_; }

    // Writes what is buffered, closes, and moves the file to the final path,
    // replacing what is there. On false nothing is left of the temporary file.
    bool Commit();
    // Deletes the temporary file.
    void Discard();

private:
    bool Flush();

    std::wstring final_, temporary_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    std::vector<uint8_t> buffer_;
    uint64_t size_ = 0;
    bool failed_ = false;
};

}  // namespace tunemill

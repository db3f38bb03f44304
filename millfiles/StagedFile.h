// An output file written under a temporary name in its own folder and put in
// place only when complete. Until Commit whatever is at the final path stays as
// it was (Commit replaces it); a StagedFile destroyed without a Commit deletes
// its temporary file. Paths are in the form FilePaths.h makes
// (LongPathForm). Shared by TuneMill.dll and PicMill.dll.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace millfiles {

class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates the temporary file beside finalPath, a name of the form
    // "tslXXXX.tmp" that was free; false when that fails.
    bool Create(const std::wstring& finalPath);
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

    // Appends, through a buffer. False (and from then on always false) once a
    // write has failed.
    bool Write(const void* data, size_t size);
    // Replaces bytes already written, e.g. a header whose sizes are known last.
    bool Overwrite(uint64_t offset, const void* data, size_t size);
    uint64_t Size() const { return size_; }

    // Writes what is buffered, closes, and moves the file to the final path,
    // replacing what is there. On false nothing is left of the temporary file
    // and what was at the final path is there as before.
    bool Commit();
    // Deletes the temporary file.
    void Discard();

private:
    bool Flush();
    bool MoveIntoPlace();

    std::wstring final_, temporary_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    std::vector<uint8_t> buffer_;
    uint64_t size_ = 0;
    bool failed_ = false;
};

}  // namespace millfiles

// A file written whole or not at all: it is written under a temporary name in
// the folder of its target and put in the target's place only on Commit.
// Until then the system deletes it whatever ends the process (a failure, an
// exception, Ctrl+C, a kill), and a file already at the target stays as it was.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile() { Discard(); }
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates the temporary file beside target. On failure FALSE, with the
    // Windows error code as the last error.
    BOOL Create(const std::wstring& target);
    BOOL Write(const void* buffer, UINT count);
    BOOL Seek(int64_t offset);
    // Puts the file in the target's place, replacing any file there, and
    // closes it. On failure FALSE, with the last error set and nothing left
    // of the temporary file.
    BOOL Commit();
    // Closes and deletes the temporary file; the target is untouched.
    void Discard();
    // The temporary name (for tests and messages); empty when not created.
    const std::wstring& TemporaryPath() const { return m_temporary; }

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    std::wstring m_target, m_temporary;
};

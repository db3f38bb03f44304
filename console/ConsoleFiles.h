// The files the console program reads and writes itself: an input read at
// any offset, outputs written whole or not at all, folders made as needed,
// and Windows' own words for what went wrong.
#pragma once
#include "PackedImageMap.h"  // ReadAt
#include "StagedFile.h"
#include <windows.h>
#include <cstdint>
#include <string>

// A file open for reading, closed with the object.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // False when it is missing or can't be read.
    bool Open(const std::wstring& path);
    uint64_t Size() const { return m_size; }
    // Reads through this object, which must outlive the reader.
    ReadAt Reader() const;

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    uint64_t m_size = 0;
};

// A new file at a path, put in place of any there only when committed whole
// (a StagedFile), so that a failure or an interrupted run leaves no part of
// it behind and an old file as it was.
class OutputFile {
public:

    // Each false after putting the reason into *why.
    bool Create(const std::wstring& path, std::string* why);
    bool Write(const void* data, size_t bytes, std::string* why);
    // Puts the file in its place.
    bool Commit(std::string* why);

private:
    StagedFile m_file;
};

// The whole of bytes as a new file (as OutputFile).
bool WriteWholeFile(const std::wstring& path, const std::string& bytes, std::string* why);

// A path from the command line (UTF-8) made full and put in its \\?\ form,
// so that no length or name limits it; empty when Windows can't make it full.
std::wstring ExtendedPath(const std::string& utf8Path);

// Whether two paths lead to one existing file (its volume and file index),
// however they are spelt.
bool SameFile(const std::wstring& a, const std::wstring& b);

// Whether a path from the command line (UTF-8) names an existing folder.
bool IsFolder(const std::string& utf8Path);

// The folder and every missing folder above it; path in its \\?\ form.
// 0 or the Windows error code.
unsigned long CreateFolders(const std::wstring& path);

// The system's message for a Windows error code, without its full stop.
std::string SystemErrorText(unsigned long code);

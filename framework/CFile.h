// A file handle with the classic open modes; failures are results, not exceptions.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
    };
    enum SeekPosition { begin = FILE_BEGIN, current = FILE_CURRENT, end = FILE_END };

    CFile() = default;
    ~CFile() { Close(); }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens an existing file, or creates (replacing) one with modeCreate.
    BOOL Open(const char* path, unsigned flags);
    BOOL Open(const wchar_t* path, unsigned flags);
    // Reads a block of memory as a file opened for reading (writes fail); the
    // caller keeps the block alive and unchanged until Close.
    BOOL OpenMemory(const void* data, uint64_t size);
    void Close();
    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE || m_inMemory; }
    // Bytes read, 0 at the end or on failure.
    UINT Read(void* buffer, UINT count);
    BOOL Write(const void* buffer, UINT count);
    BOOL Seek(int64_t offset, SeekPosition from);
    uint64_t GetLength() const;
    static BOOL Remove(const char* path) { return ::DeleteFileA(path); }
    static BOOL Remove(const wchar_t* path) { return ::DeleteFileW(path); }
    // The full path of a path relative to the current folder; the path as
    // it is when it has none.
    static std::wstring FullPath(const std::wstring& path);

private:
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    bool m_inMemory = false;
    const unsigned char* m_memory = nullptr;
    uint64_t m_memorySize = 0, m_memoryPosition = 0;
};

#include "SourceFile.h"

namespace tunemill {

SourceFile::~SourceFile()
{
    if (handle_ != INVALID_HANDLE_VALUE)
        CloseHandle(handle_);
}

bool SourceFile::Open(const std::wstring& path)
{
    if (path.empty() || handle_ != INVALID_HANDLE_VALUE)
        return false;
    handle_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE)
        return false;
    // Only a file on disk: a pipe or a device could block a read forever.
    LARGE_INTEGER size;
    if (GetFileType(handle_) != FILE_TYPE_DISK ||
        !GetFileSizeEx(handle_, &size) || size.QuadPart <= 0 ||
        static_cast<uint64_t>(size.QuadPart) > kMaxSourceBytes)
        return false;
    size_ = static_cast<uint64_t>(size.QuadPart);
    return true;
}

size_t SourceFile::ReadAt(uint64_t offset, void* buffer, size_t count)
{
    if (handle_ == INVALID_HANDLE_VALUE || offset >= size_)
        return 0;
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(handle_, position, nullptr, FILE_BEGIN))
        return 0;
    size_t done = 0;
    while (done < count) {
        const size_t piece = count - done < (1u << 20) ? count - done : (1u << 20);
        DWORD got = 0;
        if (!ReadFile(handle_, static_cast<uint8_t*>(buffer) + done, static_cast<DWORD>(piece), &got, nullptr) ||
            got == 0)
            break;
        done += got;
    }
    return done;
}

}  // namespace tunemill

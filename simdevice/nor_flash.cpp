#include "nor_flash.h"

#include <vector>

namespace {

const unsigned long kChunk = 64 * 1024;

}  // namespace

NorFlash::NorFlash() : file_(INVALID_HANDLE_VALUE), capacity_(0)
{
    InitializeCriticalSection(&lock_);
}

NorFlash::~NorFlash()
{
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(file_);
    DeleteCriticalSection(&lock_);
}

bool NorFlash::Attach(const std::wstring& path, unsigned long long capacity)
{
    Lock lock(lock_);
    if (file_ != INVALID_HANDLE_VALUE)
        return true;  // in use: it keeps the file and capacity it was attached with
    if (capacity == 0)
        return false;

    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;

    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        return false;
    }
    file_ = file;
    path_ = path;
    capacity_ = capacity;

    const unsigned long long current = static_cast<unsigned long long>(size.QuadPart);
    bool ok = true;
    if (current < capacity) {
        ok = FillOnes(current, capacity);
    } else if (current > capacity) {
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(capacity);
        ok = SetFilePointerEx(file_, end, nullptr, FILE_BEGIN) && SetEndOfFile(file_);
    }
    if (!ok) {
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        return false;
    }
    return true;
}

bool NorFlash::EraseAll()
{
    Lock lock(lock_);
    return file_ != INVALID_HANDLE_VALUE && FillOnes(0, capacity_);
}

bool NorFlash::Program(unsigned long long address, const unsigned char* data, unsigned long count)
{
    Lock lock(lock_);
    if (file_ == INVALID_HANDLE_VALUE || address > capacity_ || count > capacity_ - address)
        return false;
    if (count == 0)
        return true;

    std::vector<unsigned char> cells(count);
    if (!ReadAt(address, cells.data(), count))
        return false;
    for (unsigned long i = 0; i < count; ++i)
        cells[i] &= data[i];
    return WriteAt(address, cells.data(), count);
}

bool NorFlash::FillOnes(unsigned long long from, unsigned long long to)
{
    const std::vector<unsigned char> ones(kChunk, 0xFF);
    while (from < to) {
        const unsigned long n =
            to - from < kChunk ? static_cast<unsigned long>(to - from) : kChunk;
        if (!WriteAt(from, ones.data(), n))
            return false;
        from += n;
    }
    return true;
}

bool NorFlash::ReadAt(unsigned long long offset, unsigned char* buffer, unsigned long count)
{
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN))
        return false;
    while (count > 0) {
        DWORD got = 0;
        if (!ReadFile(file_, buffer, count, &got, nullptr) || got == 0)
            return false;
        buffer += got;
        count -= got;
    }
    return true;
}

bool NorFlash::WriteAt(unsigned long long offset, const unsigned char* buffer, unsigned long count)
{
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN))
        return false;
    while (count > 0) {
        DWORD put = 0;
        if (!WriteFile(file_, buffer, count, &put, nullptr) || put == 0)
            return false;
        buffer += put;
        count -= put;
    }
    return true;
}

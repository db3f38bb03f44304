#include "CFile.h"

BOOL CFile::Open(const char* path, unsigned flags)
{
    Close();
    DWORD access = GENERIC_READ;
    if (flags & modeWrite)
        access = GENERIC_WRITE;
    else if (flags & modeReadWrite)
        access = GENERIC_READ | GENERIC_WRITE;
    DWORD share = 0;
    if (flags & shareDenyWrite)
        share = FILE_SHARE_READ;
    else if (flags & shareDenyNone)
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    DWORD disposition = (flags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
    m_hFile = ::CreateFileA(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

void CFile::Close()
{
    if (IsOpen()) {
        ::CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}

UINT CFile::Read(void* buffer, UINT count)
{
    DWORD read = 0;
    if (!IsOpen() || !::ReadFile(m_hFile, buffer, count, &read, nullptr))
        return 0;
    return read;
}

BOOL CFile::Write(const void* buffer, UINT count)
{
    DWORD written = 0;
    return IsOpen() && ::WriteFile(m_hFile, buffer, count, &written, nullptr) && written == count;
}

BOOL CFile::Seek(int64_t offset, SeekPosition from)
{
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    return IsOpen() && ::SetFilePointerEx(m_hFile, distance, nullptr, static_cast<DWORD>(from));
}

uint64_t CFile::GetLength() const
{
    LARGE_INTEGER size;
    if (!IsOpen() || !::GetFileSizeEx(m_hFile, &size))
        return 0;
    return static_cast<uint64_t>(size.QuadPart);
}

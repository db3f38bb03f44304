#include "CFile.h"

namespace {

struct OpenMode {
    DWORD access, share, disposition;
};

OpenMode OpenModeOf(unsigned flags)
{
    OpenMode mode{GENERIC_READ, 0, (flags & CFile::modeCreate) ? DWORD(CREATE_ALWAYS) : DWORD(OPEN_EXISTING)};
    if (flags & CFile::modeWrite)
        mode.access = GENERIC_WRITE;
    else if (flags & CFile::modeReadWrite)
        mode.access = GENERIC_READ | GENERIC_WRITE;
    if (flags & CFile::shareDenyWrite)
        mode.share = FILE_SHARE_READ;
    else if (flags & CFile::shareDenyNone)
        mode.share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    return mode;
}

} // namespace

BOOL CFile::Open(const char* path, unsigned flags)
{
    Close();
    const OpenMode mode = OpenModeOf(flags);
    m_hFile = ::CreateFileA(path, mode.access, mode.share, nullptr, mode.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

BOOL CFile::Open(const wchar_t* path, unsigned flags)
{
    Close();
    const OpenMode mode = OpenModeOf(flags);
    m_hFile = ::CreateFileW(path, mode.access, mode.share, nullptr, mode.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

BOOL CFile::OpenMemory(const void* data, uint64_t size)
{
    Close();
    m_inMemory = data != nullptr || size == 0;
    m_memory = static_cast<const unsigned char*>(data);
    m_memorySize = m_inMemory ? size : 0;
    return IsOpen();
}

void CFile::Close()
{
    if (m_hFile != INVALID_HANDLE_VALUE) {
        ::CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
    m_inMemory = false;
    m_memory = nullptr;
    m_memorySize = m_memoryPosition = 0;
}

UINT CFile::Read(void* buffer, UINT count)
{
    if (m_inMemory) {
        const uint64_t left = m_memoryPosition < m_memorySize ? m_memorySize - m_memoryPosition : 0;
        const UINT read = left < count ? static_cast<UINT>(left) : count;
        if (read)
            ::CopyMemory(buffer, m_memory + m_memoryPosition, read);
        m_memoryPosition += read;
        return read;
    }
    DWORD read = 0;
    if (!IsOpen() || !::ReadFile(m_hFile, buffer, count, &read, nullptr))
        return 0;
    return read;
}

BOOL CFile::Write(const void* buffer, UINT count)
{
    DWORD written = 0;
    return m_hFile != INVALID_HANDLE_VALUE && ::WriteFile(m_hFile, buffer, count, &written, nullptr)
           && written == count;
}

BOOL CFile::Seek(int64_t offset, SeekPosition from)
{
    if (m_inMemory) {
        const int64_t base = from == begin ? 0 : static_cast<int64_t>(from == current ? m_memoryPosition : m_memorySize);
        if (offset < -base)
            return FALSE;
        m_memoryPosition = static_cast<uint64_t>(base + offset);
        return TRUE;
    }
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    return IsOpen() && ::SetFilePointerEx(m_hFile, distance, nullptr, static_cast<DWORD>(from));
}

uint64_t CFile::GetLength() const
{
    if (m_inMemory)
        return m_memorySize;
    LARGE_INTEGER size;
    if (!IsOpen() || !::GetFileSizeEx(m_hFile, &size))
        return 0;
    return static_cast<uint64_t>(size.QuadPart);
}

std::wstring CFile::FullPath(const std::wstring& path)
{
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed)
        return path;
    full.resize(length);
    return full;
}

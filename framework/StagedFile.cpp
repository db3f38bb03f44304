#include "StagedFile.h"
#include "CFile.h"
#include <vector>

namespace {

// Set, the system removes the file when its last handle closes.
bool MarkForDeletion(HANDLE file, bool remove)
{
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = remove ? TRUE : FALSE;
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// The system's own form of a full path ("\??\C:\...", "\??\UNC\server\...").
std::wstring SystemPath(const std::wstring& path)
{
    const std::wstring full = CFile::FullPath(path);
    if (full.compare(0, 4, L"\\\\?\\") == 0 || full.compare(0, 4, L"\\\\.\\") == 0)
        return L"\\??\\" + full.substr(4);
    if (full.compare(0, 2, L"\\\\") == 0)
        return L"\\??\\UNC\\" + full.substr(2);
    return L"\\??\\" + full;
}

// Renames the open file over target, replacing any file there.
bool RenameOpenFile(HANDLE file, const std::wstring& target)
{
    const std::wstring name = SystemPath(target);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
    FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    name.copy(info->FileName, name.size());
    return ::SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != 0;
}

}  // namespace

BOOL StagedFile::Create(const std::wstring& target)
{
    Discard();
    static LONG counter = 0;
    const std::wstring stamp = L".~" + std::to_wstring(::GetCurrentProcessId()) + L"-"
                               + std::to_wstring(::InterlockedIncrement(&counter)) + L".tmp";
    m_target = target;
    m_temporary = target + stamp;
    m_file = ::CreateFileW(m_temporary.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        m_temporary.clear();
        ::SetLastError(error);
        return FALSE;
    }
    if (!MarkForDeletion(m_file, true)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
        ::DeleteFileW(m_temporary.c_str());
        m_temporary.clear();
        ::SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

BOOL StagedFile::Write(const void* buffer, UINT count)
{
    DWORD written = 0;
    return m_file != INVALID_HANDLE_VALUE && ::WriteFile(m_file, buffer, count, &written, nullptr)
           && written == count;
}

BOOL StagedFile::Seek(int64_t offset)
{
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    return m_file != INVALID_HANDLE_VALUE && ::SetFilePointerEx(m_file, distance, nullptr, FILE_BEGIN);
}

BOOL StagedFile::Commit()
{
    if (m_file == INVALID_HANDLE_VALUE) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Flushed first, so that what takes the target's name is whole on disk.
    if (!::FlushFileBuffers(m_file)) {
        const DWORD error = ::GetLastError();
        Discard();
        ::SetLastError(error);
        return FALSE;
    }
    if (MarkForDeletion(m_file, false) && RenameOpenFile(m_file, m_target)) {
        ::CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
        m_temporary.clear();
        return TRUE;
    }
    // Where the file system can't rename an open file: closed, then moved.
    ::CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
    const BOOL moved = ::MoveFileExW(m_temporary.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING);
    const DWORD error = ::GetLastError();
    if (!moved)
        ::DeleteFileW(m_temporary.c_str());
    m_temporary.clear();
    ::SetLastError(error);
    return moved;
}

void StagedFile::Discard()
{
    if (m_file == INVALID_HANDLE_VALUE)
        return;
    MarkForDeletion(m_file, true);
    ::CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
    m_temporary.clear();
}

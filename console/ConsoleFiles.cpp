#include "ConsoleFiles.h"
#include "StringConv.h"

InputFile::~InputFile()
{
    if (m_file != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_file);
}

bool InputFile::Open(const std::wstring& path)
{
    m_file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size = {};
    if (m_file == INVALID_HANDLE_VALUE || !::GetFileSizeEx(m_file, &size))
        return false;
    m_size = static_cast<uint64_t>(size.QuadPart);
    return true;
}

ReadAt InputFile::Reader() const
{
    const HANDLE file = m_file;
    return [file](uint64_t offset, void* buffer, size_t bytes) {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        DWORD got = 0;
        return bytes <= 0xFFFFFFFFu && ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN)
               && ::ReadFile(file, buffer, static_cast<DWORD>(bytes), &got, nullptr) && got == bytes;
    };
}

bool OutputFile::Create(const std::wstring& path, std::string* why)
{
    if (m_file.Create(path))
        return true;
    *why = SystemErrorText(::GetLastError());
    return false;
}

bool OutputFile::Write(const void* data, size_t bytes, std::string* why)
{
    const char* p = static_cast<const char*>(data);
    while (bytes > 0) {
        const UINT piece = bytes > 0x100000 ? 0x100000 : static_cast<UINT>(bytes);
        if (!m_file.Write(p, piece)) {
            *why = SystemErrorText(::GetLastError());
            return false;
        }
        p += piece;
        bytes -= piece;
    }
    return true;
}

bool OutputFile::Commit(std::string* why)
{
    if (m_file.Commit())
        return true;
    *why = SystemErrorText(::GetLastError());
    return false;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes, std::string* why)
{
    OutputFile file;
    return file.Create(path, why) && file.Write(bytes.data(), bytes.size(), why) && file.Commit(why);
}

std::wstring ExtendedPath(const std::string& utf8Path)
{
    const std::wstring path = WideFromUtf8(utf8Path);
    if (path.empty())
        return path;
    const DWORD chars = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (chars == 0)
        return std::wstring();
    std::wstring full(chars, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), chars, &full[0], nullptr);
    if (length == 0 || length >= chars)
        return std::wstring();
    full.resize(length);
    if (full.compare(0, 4, L"\\\\?\\") == 0 || full.compare(0, 4, L"\\\\.\\") == 0)
        return full;
    if (full.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

namespace {

bool FileIdentity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION* info)
{
    const HANDLE file = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool known = ::GetFileInformationByHandle(file, info) != 0;
    ::CloseHandle(file);
    return known;
}

// Characters of the root ("\\?\C:\", "\\?\UNC\server\share\") of a \\?\ path.
size_t RootLength(const std::wstring& path)
{
    size_t skip = path.compare(0, 8, L"\\\\?\\UNC\\") == 0 ? 8 : 4;
    int parts = skip == 8 ? 2 : 1;
    for (; parts > 0 && skip < path.size(); --parts) {
        const size_t end = path.find(L'\\', skip);
        skip = end == std::wstring::npos ? path.size() : end + 1;
    }
    return skip;
}

}  // namespace

bool SameFile(const std::wstring& a, const std::wstring& b)
{
    BY_HANDLE_FILE_INFORMATION first, second;
    return FileIdentity(a, &first) && FileIdentity(b, &second)
           && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber
           && first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

bool IsFolder(const std::string& utf8Path)
{
    const DWORD attributes = ::GetFileAttributesW(WideFromUtf8(utf8Path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

unsigned long CreateFolders(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ERROR_ALREADY_EXISTS;
    const size_t cut = path.find_last_of(L'\\');
    if (cut != std::wstring::npos && cut >= RootLength(path)) {
        const unsigned long error = CreateFolders(path.substr(0, cut));
        if (error)
            return error;
    }
    if (::CreateDirectoryW(path.c_str(), nullptr))
        return 0;
    const DWORD error = ::GetLastError();
    attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : error;
}

std::string SystemErrorText(unsigned long code)
{
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                              | FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = length && text ? std::wstring(text, length) : std::wstring();
    if (text)
        ::LocalFree(text);
    while (!wide.empty() && std::wstring(L"\r\n .").find(wide.back()) != std::wstring::npos)
        wide.pop_back();
    return wide.empty() ? "Windows error " + std::to_string(code) : Utf8FromWide(wide);
}

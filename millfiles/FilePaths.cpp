#include "FilePaths.h"

#include <cwchar>

namespace millfiles {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveRoot(const std::wstring& path, size_t at)
{
    return path.size() >= at + 3 && ((path[at] >= L'A' && path[at] <= L'Z') || (path[at] >= L'a' && path[at] <= L'z')) &&
           path[at + 1] == L':' && path[at + 2] == L'\\';
}

bool StartsWith(const std::wstring& path, const wchar_t* prefix, bool ignoreCase = false)
{
    const size_t n = wcslen(prefix);
    if (path.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        wchar_t a = path[i], b = prefix[i];
        if (ignoreCase) {
            a = (a >= L'a' && a <= L'z') ? static_cast<wchar_t>(a - L'a' + L'A') : a;
            b = (b >= L'a' && b <= L'z') ? static_cast<wchar_t>(b - L'a' + L'A') : b;
        }
        if (a != b)
            return false;
    }
    return true;
}

// Length of "server\share\" at `at`, both parts non-empty; 0 when it isn't there.
size_t ShareRootLength(const std::wstring& path, size_t at)
{
    const size_t server = path.find(L'\\', at);
    if (server == std::wstring::npos || server == at)
        return 0;
    const size_t share = path.find(L'\\', server + 1);
    if (share == std::wstring::npos || share == server + 1)
        return 0;
    return share + 1 - at;
}

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

FileId IdOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    FileId id;
    id.volume = info.dwVolumeSerialNumber;
    id.high = info.nFileIndexHigh;
    id.low = info.nFileIndexLow;
    return id;
}

// Opens a file or folder only to look at it.
HANDLE OpenToLookAt(const std::wstring& path)
{
    return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

std::wstring LongPathForm(const std::wstring& fullPath)
{
    std::wstring path;
    size_t root = 0;  // where the names below the root begin, in `path`
    if (StartsWith(fullPath, L"\\\\?\\")) {
        path = fullPath;
        if (IsDriveRoot(path, 4))
            root = 7;
        else if (StartsWith(path.substr(4), L"UNC\\", true) && ShareRootLength(path, 8) != 0)
            root = 8 + ShareRootLength(path, 8);
        else
            return std::wstring();
    } else if (IsDriveRoot(fullPath, 0)) {
        path = L"\\\\?\\" + fullPath;
        root = 7;
    } else if (StartsWith(fullPath, L"\\\\") && !StartsWith(fullPath, L"\\\\.\\") && ShareRootLength(fullPath, 2) != 0) {
        path = L"\\\\?\\UNC\\" + fullPath.substr(2);
        root = 8 + ShareRootLength(fullPath, 2);
    } else {
        return std::wstring();  // devices (\\.\NUL, \\.\COM1), \??\ names, anything else
    }
    // A name is needed below the root and after the last separator; a colon
    // there would name a stream of a file, not a file.
    if (path.size() <= root || IsSeparator(path.back()) || path.find(L':', root) != std::wstring::npos ||
        path.size() > kMaxPathChars)
        return std::wstring();
    return path;
}

bool PathFromAnsi(const char* ansi, std::wstring& longPath)
{
    longPath.clear();
    if (ansi == nullptr)
        return false;
    // Read no further than a path that could still fit: in a double-byte code
    // page a character takes up to two bytes.
    const size_t maxBytes = 2 * kMaxPathChars;
    size_t bytes = 0;
    while (bytes <= maxBytes && ansi[bytes] != '\0')
        ++bytes;
    if (bytes == 0 || bytes > maxBytes)
        return false;
    const int count = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi, static_cast<int>(bytes), nullptr, 0);
    if (count <= 0 || static_cast<size_t>(count) > kMaxPathChars)
        return false;
    std::wstring wide(static_cast<size_t>(count), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi, static_cast<int>(bytes), &wide[0], count) != count)
        return false;
    // The full path: the current folder may change between the two calls,
    // so the size asked for is checked again.
    std::wstring full;
    DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    for (int attempt = 0; attempt < 3 && size != 0; ++attempt) {
        full.assign(size, L'\0');
        const DWORD got = GetFullPathNameW(wide.c_str(), size, &full[0], nullptr);
        if (got == 0)
            return false;
        if (got < size) {
            full.resize(got);
            longPath = LongPathForm(full);
            return !longPath.empty();
        }
        size = got;
    }
    return false;
}

std::wstring FolderOf(const std::wstring& longPath)
{
    const size_t slash = longPath.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : longPath.substr(0, slash + 1);
}

std::wstring NameOf(const std::wstring& longPath)
{
    const size_t slash = longPath.find_last_of(L'\\');
    return slash == std::wstring::npos ? longPath : longPath.substr(slash + 1);
}

bool operator==(const FileId& a, const FileId& b)
{
    return a.volume == b.volume && a.high == b.high && a.low == b.low;
}

bool IdOfHandle(HANDLE handle, FileId& id)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return false;
    id = IdOf(info);
    return true;
}

bool Examine(const std::wstring& longPath, PathTarget& target)
{
    target = PathTarget();
    HANDLE handle = OpenToLookAt(longPath);
    if (handle != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info;
        const bool known = GetFileInformationByHandle(handle, &info) != 0;
        const DWORD type = GetFileType(handle);
        CloseHandle(handle);
        if (!known)
            return false;
        target.exists = true;
        target.regularFile = type == FILE_TYPE_DISK && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        target.readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
        target.id = IdOf(info);
        return true;
    }
    if (GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;
    handle = OpenToLookAt(FolderOf(longPath));
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool folder = GetFileInformationByHandle(handle, &info) != 0 && GetFileType(handle) == FILE_TYPE_DISK &&
                        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    CloseHandle(handle);
    if (!folder)
        return false;
    target.id = IdOf(info);
    target.name = NameOf(longPath);
    return true;
}

bool Replaceable(const PathTarget& target)
{
    return !target.exists || (target.regularFile && !target.readOnly);
}

bool SameFile(const PathTarget& a, const PathTarget& b)
{
    if (a.exists != b.exists || !(a.id == b.id))
        return false;
    return a.exists || CompareStringOrdinal(a.name.c_str(), static_cast<int>(a.name.size()), b.name.c_str(),
                                            static_cast<int>(b.name.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace millfiles

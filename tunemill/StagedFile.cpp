#include "StagedFile.h"

#include <cstring>

namespace tunemill {

namespace {

const size_t kBufferBytes = 256 * 1024;

std::wstring Widen(const char* ansi)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);
    if (length <= 1)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

// The folder part of a path, "." when there is none.
std::wstring FolderOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) : L".";
    return slash == 0 || (slash == 2 && path[1] == L':') ? path.substr(0, slash + 1) : path.substr(0, slash);
}

}  // namespace

StagedFile::~StagedFile()
{
    Discard();
}

bool StagedFile::Create(const char* finalPath)
{
    if (finalPath == nullptr || IsOpen())
        return false;
    final_ = Widen(finalPath);
    if (final_.empty())
        return false;
    // A name of the folder's temporary-file form that is not taken yet,
    // created in the same step.
    const std::wstring folder = FolderOf(final_);
    static volatile LONG counter = 0;
    const UINT seed = static_cast<UINT>(GetTickCount() ^ (GetCurrentProcessId() << 8));
    for (int attempt = 0; attempt < 64 && handle_ == INVALID_HANDLE_VALUE; ++attempt) {
        wchar_t name[MAX_PATH];
        const UINT unique = ((seed + static_cast<UINT>(InterlockedIncrement(&counter))) & 0xFFFF) | 1;
        if (GetTempFileNameW(folder.c_str(), L"tsl", unique, name) == 0)
            return false;
        handle_ = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ != INVALID_HANDLE_VALUE)
            temporary_ = name;
        else if (GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    if (handle_ == INVALID_HANDLE_VALUE)
        return false;
    buffer_.reserve(kBufferBytes);
    size_ = 0;
    failed_ = false;
    return true;
}

bool StagedFile::Flush()
{
    if (failed_ || !IsOpen())
        return false;
    size_t done = 0;
    while (done < buffer_.size()) {
        DWORD written = 0;
        if (!WriteFile(handle_, buffer_.data() + done, static_cast<DWORD>(buffer_.size() - done), &written, nullptr) ||
            written == 0) {
            failed_ = true;
            return false;
        }
        done += written;
    }
    buffer_.clear();
    return true;
}

bool StagedFile::Write(const void* data, size_t size)
{
    if (failed_ || !IsOpen())
        return false;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const size_t room = kBufferBytes - buffer_.size();
        const size_t piece = size < room ? size : room;
        buffer_.insert(buffer_.end(), bytes, bytes + piece);
        bytes += piece;
        size -= piece;
        size_ += piece;
        if (buffer_.size() == kBufferBytes && !Flush())
            return false;
    }
    return true;
}

bool StagedFile::Overwrite(uint64_t offset, const void* data, size_t size)
{
    if (offset + size > size_ || !Flush())
        return false;
    LARGE_INTEGER position, end;
    position.QuadPart = static_cast<LONGLONG>(offset);
    end.QuadPart = 0;
    DWORD written = 0;
    const bool ok = SetFilePointerEx(handle_, position, nullptr, FILE_BEGIN) &&
                    WriteFile(handle_, data, static_cast<DWORD>(size), &written, nullptr) && written == size &&
                    SetFilePointerEx(handle_, end, nullptr, FILE_END);
    if (!ok)
        failed_ = true;
    return ok;
}

bool StagedFile::Commit()
{
    if (!IsOpen())
        return false;
    bool ok = Flush();
    ok = CloseHandle(handle_) && ok;
    handle_ = INVALID_HANDLE_VALUE;
    // The file it replaces is deleted first: some file systems (ext4, under
    // Wine) write a file renamed over another out to disk at once.
    if (ok)
        DeleteFileW(final_.c_str());
    ok = ok && MoveFileExW(temporary_.c_str(), final_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    if (ok)
        temporary_.clear();
    else
        Discard();
    return ok;
}

void StagedFile::Discard()
{
    if (IsOpen()) {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    if (!temporary_.empty()) {
        DeleteFileW(temporary_.c_str());
        temporary_.clear();
    }
    buffer_.clear();
}

}  // namespace tunemill

#include "StagedFile.h"

#include <cstring>

#include "FilePaths.h"

namespace millfiles {

namespace {

const size_t kBufferBytes = 256 * 1024;
// Names tried for one temporary file before giving up.
const int kNameAttempts = 64;

// A name of the temporary-file form in `folder` (which ends in a separator):
// "tsl", four hex digits and ".tmp". The digits come from a counter shared by
// the process, started from the time and the process id so that two processes
// seldom try the same names.
std::wstring NextTemporaryName(const std::wstring& folder)
{
    static volatile LONG counter = static_cast<LONG>(GetTickCount() ^ (GetCurrentProcessId() << 8));
    const unsigned unique = static_cast<unsigned>(InterlockedIncrement(&counter)) & 0xFFFF;
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring name = folder + L"tsl";
    for (int shift = 12; shift >= 0; shift -= 4)
        name += kDigits[(unique >> shift) & 15];
    return name + L".tmp";
}

bool NameTaken(DWORD error)
{
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

}  // namespace

StagedFile::~StagedFile()
{
    Discard();
}

bool StagedFile::Create(const std::wstring& finalPath)
{
    if (finalPath.empty() || IsOpen())
        return false;
    final_ = finalPath;
    const std::wstring folder = FolderOf(final_);
    for (int attempt = 0; attempt < kNameAttempts && !IsOpen(); ++attempt) {
        const std::wstring name = NextTemporaryName(folder);
        if (folder.empty() || name.size() > kMaxPathChars)
            return false;
        handle_ = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (IsOpen())
            temporary_ = name;
        else if (!NameTaken(GetLastError()))
            return false;
    }
    if (!IsOpen())
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
    ok = ok && MoveIntoPlace();
    if (ok)
        temporary_.clear();
    else
        Discard();
    return ok;
}

// What is at the final path is moved aside under a temporary name first, and
// deleted once the new file is in place, or moved back if that fails: some
// file systems (ext4, under Wine) write a file renamed over another out to
// disk at once, a file renamed to a free name they don't.
bool StagedFile::MoveIntoPlace()
{
    const DWORD attributes = GetFileAttributesW(final_.c_str());
    std::wstring aside;
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // A folder or a read-only file is not replaced.
        if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
            return false;
        for (int attempt = 0; attempt < kNameAttempts && aside.empty(); ++attempt) {
            const std::wstring name = NextTemporaryName(FolderOf(final_));
            if (name.size() > kMaxPathChars)
                return false;
            if (MoveFileExW(final_.c_str(), name.c_str(), 0))
                aside = name;
            else if (!NameTaken(GetLastError()))
                return false;
        }
        if (aside.empty())
            return false;
    }
    if (!MoveFileExW(temporary_.c_str(), final_.c_str(), 0)) {
        if (!aside.empty())
            MoveFileExW(aside.c_str(), final_.c_str(), 0);
        return false;
    }
    if (!aside.empty())
        DeleteFileW(aside.c_str());
    return true;
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

}  // namespace millfiles

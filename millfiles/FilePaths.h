// Paths as both converter libraries take them: a caller's ANSI path becomes
// the full `\\?\` form that the wide file functions open at any length, or is
// refused; and two paths can be told to name the same file or not, whatever
// their spelling. Shared by TuneMill.dll and PicMill.dll.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

namespace millfiles {

// The longest path, in UTF-16 units, that is handed to a file function. A
// `\\?\` path becomes an NT name of the same length, which must fit a counted
// string of at most 32767 units with its terminator; longer ones are cut
// short by some systems (Wine among them) instead of being refused.
const size_t kMaxPathChars = 32766;

// The `\\?\` form of a full path as GetFullPathNameW gives it: "C:\a" becomes
// "\\?\C:\a", "\\server\share\a" becomes "\\?\UNC\server\share\a", the two
// `\\?\` forms of those stay as they are. Empty (refused) for anything else
// (devices such as "\\.\NUL", other `\\?\` names), a path that ends in a
// separator (a folder), or one longer than kMaxPathChars in that form.
std::wstring LongPathForm(const std::wstring& fullPath);

// A caller's zero-terminated path in the ANSI code page, relative or full, as
// its LongPathForm. False when it is null or empty, not valid in the code
// page, or refused by LongPathForm.
bool PathFromAnsi(const char* ansi, std::wstring& longPath);

// The folder of a LongPathForm path, with its trailing separator
// ("\\?\C:\a\b" gives "\\?\C:\a\", "\\?\C:\b" gives "\\?\C:\"), and the
// name in it ("b").
std::wstring FolderOf(const std::wstring& longPath);
std::wstring NameOf(const std::wstring& longPath);

// One file of one volume, as the file system numbers it.
struct FileId {
    DWORD volume = 0, high = 0, low = 0;
};
bool operator==(const FileId& a, const FileId& b);

// The FileId of an open file; false when it can't be had.
bool IdOfHandle(HANDLE handle, FileId& id);

// What a path names, as far as telling it from another goes: the file itself
// when it exists, otherwise the folder it would be created in and its name there.
struct PathTarget {
    bool exists = false;
    bool regularFile = false;  // exists as a file on disk: not a folder, not a device
    bool readOnly = false;
    FileId id;                 // of the file when it exists, else of its folder
    std::wstring name;         // the name in the folder, when it doesn't exist
};

// False when neither the file nor its folder can be looked at (no such
// folder, no access).
bool Examine(const std::wstring& longPath, PathTarget& target);

// True when a file could be put at the path by replacing what is there (if
// anything): nothing there, or a regular file that isn't read-only.
bool Replaceable(const PathTarget& target);

// True when the two name the same file. Names in a folder compare without
// regard to case, as the file system does.
bool SameFile(const PathTarget& a, const PathTarget& b);

}  // namespace millfiles

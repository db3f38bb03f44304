// How a media set names its files: relative to the set's own folder where
// that names the same file, in full otherwise. Paths are UTF-8; names are
// compared without regard to case, as Windows compares them.
#pragma once
#include <string>

// Whether a path is full: a drive and its root ("C:\", "C:/") or a share
// ("\\server\share", with either separator).
bool IsFullSetPath(const std::string& path);

// The two paths are the same text, letters compared without their case.
bool SameSetPathText(const std::string& a, const std::string& b);

// How a set in folder writes a full path: relative to folder with "/"
// between names ("../" to climb) when both are on one drive or share and the
// relative form reads back as the same path; otherwise the path as it is.
std::string SetPathRelativeTo(const std::string& path, const std::string& folder);

// The full path an entry of a set in folder names: a full entry as it is,
// a relative one (either separator, "." and ".." taken as names' usual
// meaning) joined to folder with "\". False, with the reason, for an entry
// relative to a drive's current folder ("C:x") or root ("\x"), or one that
// climbs above the root.
bool ResolveSetPath(const std::string& entry, const std::string& folder, std::string* path, std::string* why);

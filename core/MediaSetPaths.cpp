#include "MediaSetPaths.h"
#include "StringConv.h"
#include <windows.h>
#include <vector>

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool HasDrive(const std::string& path)
{
    return path.size() >= 2 && path[1] == ':'
           && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// The names between separators from position start, empty ones left out.
std::vector<std::string> Names(const std::string& path, size_t start)
{
    std::vector<std::string> names;
    std::string name;
    for (size_t i = start; i <= path.size(); ++i) {
        if (i == path.size() || IsSeparator(path[i])) {
            if (!name.empty())
                names.push_back(name);
            name.clear();
        } else {
            name += path[i];
        }
    }
    return names;
}

// A full path split into its root ("C:" or "\\server\share") and its names;
// false for a path that is not full.
bool SplitFullPath(const std::string& path, std::string* root, std::vector<std::string>* names)
{
    if (!IsFullSetPath(path))
        return false;
    if (HasDrive(path)) {
        *root = path.substr(0, 2);
        *names = Names(path, 3);
        return true;
    }
    std::vector<std::string> all = Names(path, 2);
    *root = "\\\\" + all[0] + "\\" + all[1];
    names->assign(all.begin() + 2, all.end());
    return true;
}

std::string Joined(const std::string& root, const std::vector<std::string>& names)
{
    std::string path = root;
    for (const std::string& name : names)
        path += "\\" + name;
    return names.empty() ? path + "\\" : path;
}

}  // namespace

bool IsFullSetPath(const std::string& path)
{
    if (HasDrive(path))
        return path.size() >= 3 && IsSeparator(path[2]);
    // A share needs its server's and its share's names.
    return path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1]) && Names(path, 2).size() >= 2;
}

bool SameSetPathText(const std::string& a, const std::string& b)
{
    const std::wstring wideA = WideFromUtf8(a), wideB = WideFromUtf8(b);
    return ::CompareStringOrdinal(wideA.c_str(), static_cast<int>(wideA.size()), wideB.c_str(),
                                  static_cast<int>(wideB.size()), TRUE)
           == CSTR_EQUAL;
}

std::string SetPathRelativeTo(const std::string& path, const std::string& folder)
{
    std::string pathRoot, folderRoot;
    std::vector<std::string> pathNames, folderNames;
    if (!SplitFullPath(path, &pathRoot, &pathNames) || !SplitFullPath(folder, &folderRoot, &folderNames)
        || pathNames.empty() || !SameSetPathText(pathRoot, folderRoot))
        return path;
    // The folders both lie in; the file's own name always stays.
    size_t common = 0;
    while (common < folderNames.size() && common + 1 < pathNames.size()
           && SameSetPathText(folderNames[common], pathNames[common]))
        ++common;
    std::string relative;
    for (size_t i = common; i < folderNames.size(); ++i)
        relative += "../";
    for (size_t i = common; i < pathNames.size(); ++i)
        relative += (i == common ? "" : "/") + pathNames[i];
    // Only a form that reads back as this very path (no "." or "..", no
    // doubled separators in it) is written relative.
    std::string back, why;
    return ResolveSetPath(relative, folder, &back, &why) && SameSetPathText(back, path)
               ? relative
               : path;
}

bool ResolveSetPath(const std::string& entry, const std::string& folder, std::string* path, std::string* why)
{
    if (IsFullSetPath(entry)) {
        *path = entry;
        return true;
    }
    if (HasDrive(entry) || (!entry.empty() && IsSeparator(entry[0]))) {
        *why = "the path '" + entry + "' depends on a drive's current folder or root: give it relative to the "
               "set's folder or in full";
        return false;
    }
    std::string root;
    std::vector<std::string> names;
    if (!SplitFullPath(folder, &root, &names)) {
        *why = "the set's folder " + folder + " is not a full path";
        return false;
    }
    for (const std::string& name : Names(entry, 0)) {
        if (name == ".")
            continue;
        if (name != "..") {
            names.push_back(name);
            continue;
        }
        if (names.empty()) {
            *why = "the path '" + entry + "' climbs above " + root + "\\";
            return false;
        }
        names.pop_back();
    }
    *path = Joined(root, names);
    return true;
}

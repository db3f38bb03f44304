#include "TestSupport.h"
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <sstream>

namespace gui {

namespace {

const int kMessageTextId = 0xFFFF;
const int kMessageIconIds[] = { 0x14, 0x0440 };

struct Search {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopWindows(HWND hwnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid)
        search->found.push_back(hwnd);
    return TRUE;
}

}  // namespace

std::string ExeDir()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

namespace {

// Removes a folder and everything in it, as far as it can.
void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((dir + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(dir + name + "\\");
            } else {
                ::SetFileAttributesA((dir + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA((dir + name).c_str());
            }
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(dir.c_str());
}

// The folders this process made, removed when it ends.
std::vector<std::string>& MadeDirs()
{
    static std::vector<std::string> dirs;
    return dirs;
}

void RemoveMadeDirs()
{
    for (const std::string& dir : MadeDirs())
        RemoveTree(dir);
}

}  // namespace

std::string MakeTempDir(const char* tag)
{
    static int counter = 0;
    if (MadeDirs().empty())
        std::atexit(&RemoveMadeDirs);
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    for (;;) {
        char name[MAX_PATH];
        snprintf(name, sizeof(name), "%stessaline-%s-%lu-%d\\", temp, tag, ::GetCurrentProcessId(), ++counter);
        if (::CreateDirectoryA(name, nullptr)) {
            MadeDirs().push_back(name);
            return name;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            return std::string();
    }
}

std::string ReadFile(const std::string& path)
{
    std::string bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
        bytes.append(buffer, n);
    fclose(f);
    return bytes;
}

bool WriteFile(const std::string& path, const std::string& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

bool CopyFromBin(const std::string& dir, const std::vector<const char*>& names)
{
    for (const char* name : names) {
        if (!::CopyFileA((ExeDir() + name).c_str(), (dir + name).c_str(), FALSE))
            return false;
    }
    return true;
}

std::vector<HWND> TopWindows(DWORD pid)
{
    Search search{ pid, {} };
    ::EnumWindows(&CollectTopWindows, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsDialogClass(HWND hwnd)
{
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof(name));
    return strcmp(name, "#32770") == 0;
}

std::wstring WindowText(HWND hwnd)
{
    wchar_t buffer[4096] = {};
    ::SendMessageW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

bool IsMessageBox(HWND dialog)
{
    return ::GetDlgItem(dialog, kMessageTextId) != nullptr;
}

bool ReadMessageBox(HWND dialog, MessageBoxInfo* info)
{
    HWND text = ::GetDlgItem(dialog, kMessageTextId);
    if (!text)
        return false;
    info->hwnd = dialog;
    info->caption = WindowText(dialog);
    info->text = WindowText(text);
    info->owner = ::GetWindow(dialog, GW_OWNER);
    info->threadId = ::GetWindowThreadProcessId(dialog, nullptr);
    info->hasIcon = false;
    for (int id : kMessageIconIds) {
        HWND icon = ::GetDlgItem(dialog, id);
        if (icon && ::IsWindowVisible(icon) && ::SendMessageW(icon, STM_GETICON, 0, 0))
            info->hasIcon = true;
    }
    return true;
}

std::vector<LoggedCall> ReadCallLog(const std::string& path)
{
    std::vector<LoggedCall> calls;
    std::istringstream lines(ReadFile(path));
    std::string line;
    while (std::getline(lines, line)) {
        size_t space = line.find(' ');
        if (space == std::string::npos)
            continue;
        calls.push_back({ std::stoul(line.substr(0, space)), line.substr(space + 1) });
    }
    return calls;
}

std::vector<std::string> ReadCallTexts(const std::string& path)
{
    std::vector<std::string> texts;
    for (const LoggedCall& call : ReadCallLog(path))
        texts.push_back(call.call);
    return texts;
}

}  // namespace gui

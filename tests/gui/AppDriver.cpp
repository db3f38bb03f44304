#include "AppDriver.h"
#include <cstdlib>
#include <shlobj.h>
#include <cstdio>

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

App::~App()
{
    Kill();
}

bool App::Start(const std::string& dir, const std::string& arguments)
{
    std::vector<std::pair<std::string, std::string>> saved;
    for (const auto& var : m_env) {
        char old[32768];
        DWORD n = ::GetEnvironmentVariableA(var.first.c_str(), old, sizeof(old));
        saved.emplace_back(var.first, n ? std::string(old, n) : std::string("\x01"));
        ::SetEnvironmentVariableA(var.first.c_str(), var.second.c_str());
    }
    std::string exe = dir + m_exeName;
    std::string commandLine = "\"" + exe + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    BOOL ok = ::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               dir.c_str(), &si, &pi);
    for (const auto& var : saved)
        ::SetEnvironmentVariableA(var.first.c_str(), var.second == "\x01" ? nullptr : var.second.c_str());
    if (!ok)
        return false;
    ::CloseHandle(pi.hThread);
    m_process = pi.hProcess;
    m_pid = pi.dwProcessId;
    // The main window is visible once its initialisation has run, or a
    // message box of that initialisation is waiting.
    return WaitFor([this] {
        HWND main = nullptr;
        bool boxShown = false;
        for (HWND hwnd : TopWindows(m_pid)) {
            if (!IsDialogClass(hwnd))
                continue;
            if (::GetDlgItem(hwnd, 1030))
                main = hwnd;
            else if (::IsWindowVisible(hwnd) && ::GetDlgItem(hwnd, kMessageTextId))
                boxShown = true;
        }
        if (main && (::IsWindowVisible(main) || boxShown)) {
            m_main = main;
            return true;
        }
        return false;
    }, 20000);
}

void App::Click(int id) const
{
    ::PostMessageW(m_main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
}

void App::Command(WPARAM wParam, LPARAM lParam) const
{
    ::PostMessageW(m_main, WM_COMMAND, wParam, lParam);
}

std::wstring App::WindowText(HWND hwnd) const
{
    wchar_t buffer[4096] = {};
    ::SendMessageW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

std::wstring App::Text(int id) const
{
    return WindowText(Item(id));
}

int App::ComboSelection(int id) const
{
    return static_cast<int>(::SendMessageW(Item(id), CB_GETCURSEL, 0, 0));
}

void App::SetText(int id, const std::string& text) const
{
    ::SendMessageA(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool App::DropFiles(const std::vector<std::wstring>& paths) const
{
    // WM_DROPFILES carries a memory block of the receiving process: a
    // DROPFILES header and the wide paths, each ended by a null, then one
    // more null. Written into the program, as the shell would do.
    std::vector<char> block(sizeof(DROPFILES));
    auto* header = reinterpret_cast<DROPFILES*>(block.data());
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    for (const std::wstring& path : paths) {
        const char* bytes = reinterpret_cast<const char*>(path.c_str());
        block.insert(block.end(), bytes, bytes + (path.size() + 1) * sizeof(wchar_t));
    }
    block.insert(block.end(), sizeof(wchar_t), '\0');
    void* remote = ::VirtualAllocEx(m_process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote)
        return false;
    bool sent = ::WriteProcessMemory(m_process, remote, block.data(), block.size(), nullptr)
        && ::SendMessageTimeoutW(m_main, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0, SMTO_NORMAL, 5000, nullptr);
    ::VirtualFreeEx(m_process, remote, 0, MEM_RELEASE);
    return sent;
}

std::vector<HWND> App::OtherDialogs() const
{
    std::vector<HWND> dialogs;
    for (HWND hwnd : TopWindows(m_pid)) {
        if (hwnd != m_main && IsDialogClass(hwnd) && ::IsWindowVisible(hwnd))
            dialogs.push_back(hwnd);
    }
    return dialogs;
}

bool App::WaitMessageBox(MessageBoxInfo* info, DWORD timeoutMs) const
{
    HWND box = nullptr;
    bool found = WaitFor([&] {
        for (HWND hwnd : OtherDialogs()) {
            if (::GetDlgItem(hwnd, kMessageTextId)) {
                box = hwnd;
                return true;
            }
        }
        return false;
    }, timeoutMs);
    if (!found)
        return false;
    info->hwnd = box;
    info->caption = WindowText(box);
    info->text = WindowText(::GetDlgItem(box, kMessageTextId));
    info->owner = ::GetWindow(box, GW_OWNER);
    info->threadId = ::GetWindowThreadProcessId(box, nullptr);
    info->hasIcon = false;
    for (int id : kMessageIconIds) {
        HWND icon = ::GetDlgItem(box, id);
        if (icon && ::IsWindowVisible(icon) && ::SendMessageW(icon, STM_GETICON, 0, 0))
            info->hasIcon = true;
    }
    return true;
}

bool App::NoMessageBox(DWORD waitMs) const
{
    MessageBoxInfo info;
    return !WaitMessageBox(&info, waitMs);
}

void App::Dismiss(const MessageBoxInfo& box) const
{
    ::PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitFor([&] { return !::IsWindow(box.hwnd) || !::IsWindowVisible(box.hwnd); });
}

int App::WaitExit(DWORD timeoutMs)
{
    if (!m_process)
        return -1;
    if (::WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(m_process, &code);
    ::CloseHandle(m_process);
    m_process = nullptr;
    return static_cast<int>(code);
}

void App::Kill()
{
    if (m_process) {
        ::TerminateProcess(m_process, 1);
        ::WaitForSingleObject(m_process, 5000);
        ::CloseHandle(m_process);
        m_process = nullptr;
    }
}

}  // namespace gui

#include "AppDriver.h"
#include <shlobj.h>

namespace gui {

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
            else if (::IsWindowVisible(hwnd) && IsMessageBox(hwnd))
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

bool App::DropFiles(const std::vector<std::wstring>& paths, POINT point, bool wait) const
{
    // WM_DROPFILES carries a memory block of the receiving process: a
    // DROPFILES header and the wide paths, each ended by a null, then one
    // more null. Written into the program, as the shell would do.
    std::vector<char> block(sizeof(DROPFILES));
    auto* header = reinterpret_cast<DROPFILES*>(block.data());
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    header->pt = point;
    for (const std::wstring& path : paths) {
        const char* bytes = reinterpret_cast<const char*>(path.c_str());
        block.insert(block.end(), bytes, bytes + (path.size() + 1) * sizeof(wchar_t));
    }
    block.insert(block.end(), sizeof(wchar_t), '\0');
    void* remote = ::VirtualAllocEx(m_process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote)
        return false;
    if (!wait)
        return ::WriteProcessMemory(m_process, remote, block.data(), block.size(), nullptr)
               && ::SendNotifyMessageW(m_main, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
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
    return WaitFor([&] {
        for (HWND hwnd : OtherDialogs()) {
            if (ReadMessageBox(hwnd, info))
                return true;
        }
        return false;
    }, timeoutMs);
}

bool App::NoMessageBox(DWORD waitMs) const
{
    MessageBoxInfo info;
    return !WaitMessageBox(&info, waitMs);
}

void App::Dismiss(const MessageBoxInfo& box) const
{
    Answer(box, IDOK);
}

void App::Answer(const MessageBoxInfo& box, int button) const
{
    ::PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
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

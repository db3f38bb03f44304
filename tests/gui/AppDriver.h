// Drives a running Tessaline.exe from a test: starts it, finds its windows,
// posts the messages a user's clicks produce, reads control texts and
// captures the real message boxes the program shows.
#pragma once
#include "TestSupport.h"
#include <windows.h>
#include <string>
#include <utility>
#include <vector>

namespace gui {

class App {
public:
    App() = default;
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Environment variables set for the program on top of the test's own.
    void SetEnv(const std::string& name, const std::string& value) { m_env.emplace_back(name, value); }

    // The program's file name in its folder (its settings live under that name).
    void SetExeName(const std::string& name) { m_exeName = name; }

    // Starts the program in dir with the given argument text and waits for the main window.
    bool Start(const std::string& dir, const std::string& arguments = "");
    HWND Main() const { return m_main; }
    DWORD ProcessId() const { return m_pid; }

    HWND Item(int id) const { return ::GetDlgItem(m_main, id); }
    void Click(int id) const;
    void Command(WPARAM wParam, LPARAM lParam = 0) const;
    std::wstring Text(int id) const;
    std::wstring WindowText(HWND hwnd) const { return gui::WindowText(hwnd); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    int ComboSelection(int id) const;
    void SetText(int id, const std::string& text) const;
    // Drops these files and folders on the main window, as the shell would,
    // and returns once the window has handled the drop.
    // point: where they are dropped, in the main window's client coordinates.
    // Unless waited for, the drop is sent without waiting for its handler
    // (which may show a message box), and its block stays in the program.
    bool DropFiles(const std::vector<std::wstring>& paths, POINT point = POINT(), bool wait = true) const;

    // Waits for a message box of the program (any dialog with a message text).
    bool WaitMessageBox(MessageBoxInfo* info, DWORD timeoutMs = 5000) const;
    // True when no message box appears within the time.
    bool NoMessageBox(DWORD waitMs) const;
    void Dismiss(const MessageBoxInfo& box) const;
    // Presses one of a message box's buttons (IDYES, IDNO...).
    void Answer(const MessageBoxInfo& box, int button) const;
    // The visible top-level dialogs of the program other than the main window.
    std::vector<HWND> OtherDialogs() const;

    // Waits for the process to end; returns its exit code, or -1 on time-out.
    int WaitExit(DWORD timeoutMs = 10000);
    void Kill();

private:
    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
    HWND m_main = nullptr;
    std::vector<std::pair<std::string, std::string>> m_env;
    std::string m_exeName = "Tessaline.exe";
};

}  // namespace gui

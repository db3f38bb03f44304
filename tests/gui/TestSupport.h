// Helpers that every test running real windows or the simulated device
// shares: the test's own folder and temporary folders, whole files, polling,
// the windows of a process and its message boxes, and the simulated
// device's call log.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace gui {

// The folder of the running test executable, with a trailing backslash.
std::string ExeDir();
// A fresh empty folder under the temporary directory, with a trailing
// backslash; removed with all it holds when the process ends.
std::string MakeTempDir(const char* tag);
std::string ReadFile(const std::string& path);
// An ASCII text as UTF-16.
inline std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }
bool WriteFile(const std::string& path, const std::string& bytes);
// Copies the named files from the build's bin folder into dir.
bool CopyFromBin(const std::string& dir, const std::vector<const char*>& names);

// Polls until the condition holds or the time runs out.
template <typename F>
bool WaitFor(F condition, DWORD timeoutMs = 5000)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::Sleep(20);
    }
}

// The top-level windows of a process.
std::vector<HWND> TopWindows(DWORD pid);
// A dialog box window (class "#32770"): dialogs and message boxes.
bool IsDialogClass(HWND hwnd);
std::wstring WindowText(HWND hwnd);

struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::wstring caption;
    std::wstring text;
    HWND owner = nullptr;
    bool hasIcon = false;
    DWORD threadId = 0;
};

// A dialog that shows a message text: a message box.
bool IsMessageBox(HWND dialog);
// What a message box shows; false when the dialog is none.
bool ReadMessageBox(HWND dialog, MessageBoxInfo* info);

// One line of the simulated device's call log: the calling thread's id,
// then the call with its arguments and result.
struct LoggedCall {
    unsigned long thread;
    std::string call;   // the line without its thread id
};

std::vector<LoggedCall> ReadCallLog(const std::string& path);
// The calls alone, in order.
std::vector<std::string> ReadCallTexts(const std::string& path);

}  // namespace gui

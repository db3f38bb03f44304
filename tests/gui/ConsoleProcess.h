// Runs a console program of the build with its output captured through
// pipes, read as it comes, and an environment of the test's choosing.
#pragma once
#include <windows.h>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace gui {

class ConsoleProcess {
public:
    ConsoleProcess() = default;
    ~ConsoleProcess();
    ConsoleProcess(const ConsoleProcess&) = delete;
    ConsoleProcess& operator=(const ConsoleProcess&) = delete;

    // Set on top of the test's own environment.
    void SetEnv(const std::string& name, const std::string& value) { m_env.emplace_back(name, value); }
    // exe, arguments and dir in UTF-8.
    bool Start(const std::string& exe, const std::string& arguments, const std::string& dir);
    // Exit code, or -1 when it has not ended in time (it is then ended).
    int Wait(DWORD timeoutMs = 60000);
    std::string Output();
    std::string Errors();

private:
    void Read(HANDLE pipe, std::string* into);

    std::vector<std::pair<std::string, std::string>> m_env;
    HANDLE m_process = nullptr;
    std::thread m_outReader, m_errReader;
    std::mutex m_lock;
    std::atomic<bool> m_ended{ false };  // the process has ended
    std::string m_out, m_err;
};

// Starts the program, waits for it and returns its exit code, with its output.
int RunConsole(const std::string& exe, const std::string& arguments,
               const std::vector<std::pair<std::string, std::string>>& env, std::string* out, std::string* err,
               DWORD timeoutMs = 60000);

}  // namespace gui

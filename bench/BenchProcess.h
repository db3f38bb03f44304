// What the benchmarks that run whole processes share: their own folder, and
// the time of one run.
#pragma once
#include <windows.h>
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

// The folder of the running benchmark, with its trailing backslash.
inline std::string ExeDir()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

// Wall time of one process run, in seconds; negative when it failed.
inline double TimeProcess(const std::string& commandLine)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::string line = commandLine;
    auto start = std::chrono::steady_clock::now();
    if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return -1;
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    DWORD code = 1;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    return code == 0 ? seconds : -1;
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

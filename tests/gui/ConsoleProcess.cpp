#include "ConsoleProcess.h"
#include <map>

namespace gui {

namespace {

// The test's environment with the overrides, as CreateProcess takes it.
std::string EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& overrides)
{
    std::map<std::string, std::string> vars;
    char* strings = ::GetEnvironmentStringsA();
    for (const char* entry = strings; *entry; entry += strlen(entry) + 1) {
        std::string text = entry;
        size_t equals = text.find('=', 1);
        if (equals != std::string::npos)
            vars[text.substr(0, equals)] = text.substr(equals + 1);
    }
    ::FreeEnvironmentStringsA(strings);
    for (const auto& var : overrides)
        vars[var.first] = var.second;
    std::string block;
    for (const auto& var : vars)
        block += var.first + "=" + var.second + '\0';
    return block + '\0';
}

std::wstring FromUtf8(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    const int chars = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    wide.resize(chars > 0 ? static_cast<size_t>(chars - 1) : 0);
    return wide;
}

}  // namespace

ConsoleProcess::~ConsoleProcess()
{
    Wait(0);
}

bool ConsoleProcess::Start(const std::string& exe, const std::string& arguments, const std::string& dir)
{
    SECURITY_ATTRIBUTES inherit = { sizeof(inherit), nullptr, TRUE };
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!::CreatePipe(&outRead, &outWrite, &inherit, 0) || !::CreatePipe(&errRead, &errWrite, &inherit, 0))
        return false;
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi = {};
    // Arguments in UTF-8, so that a test can name any file; the program gets
    // them through the wide command line.
    std::wstring commandLine = FromUtf8("\"" + exe + "\" " + arguments);
    const std::wstring exeWide = FromUtf8(exe), dirWide = FromUtf8(dir);
    std::string environment = EnvironmentBlock(m_env);
    BOOL ok = ::CreateProcessW(exeWide.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                               &environment[0], dir.empty() ? nullptr : dirWide.c_str(), &si, &pi);
    ::CloseHandle(outWrite);
    ::CloseHandle(errWrite);
    if (!ok) {
        ::CloseHandle(outRead);
        ::CloseHandle(errRead);
        return false;
    }
    ::CloseHandle(pi.hThread);
    m_process = pi.hProcess;
    m_outReader = std::thread(&ConsoleProcess::Read, this, outRead, &m_out);
    m_errReader = std::thread(&ConsoleProcess::Read, this, errRead, &m_err);
    return true;
}

void ConsoleProcess::Read(HANDLE pipe, std::string* into)
{
    // Polled rather than read blindly: a process the program started (Wine
    // starts its desktop process on first need) may inherit the pipe and hold
    // it open long after the program has ended. Once it has, what is left in
    // the pipe is read and the rest is not waited for.
    char buffer[4096];
    for (;;) {
        // Read before the look: once the process had ended, the look sees
        // everything it wrote.
        const bool ended = m_ended;
        DWORD available = 0;
        if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
            if (::GetLastError() == ERROR_BROKEN_PIPE || ended)
                break;
            available = 0;  // a look that failed for a moment
        }
        if (available == 0) {
            if (ended)
                break;
            ::Sleep(5);
            continue;
        }
        DWORD read = 0;
        if (!::ReadFile(pipe, buffer, available < sizeof buffer ? available : sizeof buffer, &read, nullptr) || read == 0)
            break;
        std::lock_guard<std::mutex> lock(m_lock);
        into->append(buffer, read);
    }
    ::CloseHandle(pipe);
}

int ConsoleProcess::Wait(DWORD timeoutMs)
{
    if (!m_process)
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(m_process, timeoutMs) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(m_process, &code);
    } else {
        ::TerminateProcess(m_process, static_cast<UINT>(-1));
        ::WaitForSingleObject(m_process, 5000);
    }
    ::CloseHandle(m_process);
    m_process = nullptr;
    m_ended = true;
    if (m_outReader.joinable())
        m_outReader.join();
    if (m_errReader.joinable())
        m_errReader.join();
    return static_cast<int>(code);
}

std::string ConsoleProcess::Output()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_out;
}

std::string ConsoleProcess::Errors()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_err;
}

int RunConsole(const std::string& exe, const std::string& arguments,
               const std::vector<std::pair<std::string, std::string>>& env, std::string* out, std::string* err,
               DWORD timeoutMs)
{
    ConsoleProcess process;
    for (const auto& var : env)
        process.SetEnv(var.first, var.second);
    if (!process.Start(exe, arguments, std::string()))
        return -2;
    int code = process.Wait(timeoutMs);
    if (out)
        *out = process.Output();
    if (err)
        *err = process.Errors();
    return code;
}

}  // namespace gui

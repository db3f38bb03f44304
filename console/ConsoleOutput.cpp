#include "ConsoleOutput.h"
#include "StringConv.h"
#include <cstdio>

namespace {

bool IsConsole(DWORD which)
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(which), &mode) != 0;
}

// Texts are UTF-8: a console shows them through its wide output, whatever
// its code page; a pipe or a file gets the UTF-8 bytes.
void Print(FILE* stream, DWORD which, const std::string& text)
{
    std::fflush(stream);
    HANDLE handle = ::GetStdHandle(which);
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        const std::wstring wide = WideFromUtf8(text);
        DWORD written = 0;
        ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

std::string Minutes(double seconds)
{
    const long whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

}  // namespace

std::string ProgressBarText(uint64_t done, uint64_t total, double elapsedSeconds, int width)
{
    const double fraction = total ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
    const int filled = static_cast<int>(fraction * width);
    std::string bar = "[" + std::string(static_cast<size_t>(filled), '#')
                      + std::string(static_cast<size_t>(width - filled), '-') + "]";
    char percent[16];
    std::snprintf(percent, sizeof percent, " %3d%%", static_cast<int>(fraction * 100));
    bar += percent;
    if (done > 0 && done < total && elapsedSeconds > 0)
        bar += "  " + Minutes(elapsedSeconds * static_cast<double>(total - done) / static_cast<double>(done)) + " left";
    return bar;
}

ConsoleOutput::ConsoleOutput(bool quiet)
    : m_style(quiet ? OutputStyle::quiet : IsConsole(STD_OUTPUT_HANDLE) ? OutputStyle::console : OutputStyle::lines)
{
}

void ConsoleOutput::Info(const std::string& line)
{
    if (m_style == OutputStyle::quiet)
        return;
    EndProgress();
    Print(stdout, STD_OUTPUT_HANDLE, line + "\n");
}

void ConsoleOutput::Error(const std::string& reason)
{
    EndProgress();
    Print(stderr, STD_ERROR_HANDLE, "tessa: " + reason + "\n");
}

void ConsoleOutput::Progress(const char* what, uint64_t done, uint64_t total)
{
    if (m_style == OutputStyle::quiet)
        return;
    if (done == 0 || m_lastShown < 0)
        m_started.Restart();
    const int percent = total ? static_cast<int>(done * 100 / total) : 100;
    if (m_style == OutputStyle::lines) {
        // One line for every tenth reached.
        if (m_lastShown < 0 || percent / 10 > m_lastShown / 10) {
            std::printf("%s %d%%\n", what, percent);
            std::fflush(stdout);
            m_lastShown = percent;
        }
        return;
    }
    // Redrawn in place, at most ten times a second and whenever the percentage changes.
    if (percent == m_lastShown && m_lastDraw.Milliseconds() < 100)
        return;
    const std::string bar = ProgressBarText(done, total, m_started.Seconds(), 30);
    std::printf("\r%-12s %s   ", what, bar.c_str());
    std::fflush(stdout);
    m_barShown = true;
    m_lastShown = percent;
    m_lastDraw.Restart();
}

void ConsoleOutput::EndProgress()
{
    if (m_barShown) {
        std::printf("\n");
        std::fflush(stdout);
    }
    m_barShown = false;
    m_lastShown = -1;
}

void ConsoleOutput::Elapsed(const char* what, double seconds)
{
    if (m_style != OutputStyle::console)
        return;
    std::printf("\r%s  %s   ", what, Minutes(seconds).c_str());
    std::fflush(stdout);
    m_barShown = true;
}

void ConsoleOutput::Status(const std::string& text)
{
    if (m_style == OutputStyle::quiet)
        return;
    if (m_style == OutputStyle::lines) {
        Info(text);
        return;
    }
    Print(stdout, STD_OUTPUT_HANDLE, "\r" + text + "   ");
    m_barShown = true;
}

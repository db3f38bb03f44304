// What the console program prints: information and progress on standard
// output (a bar redrawn in place on a console, plain lines otherwise, nothing
// when quiet) and errors as one line on standard error.
#pragma once
#include <windows.h>
#include <cstdint>
#include "RunClock.h"
#include <string>

enum class OutputStyle { console, lines, quiet };

class ConsoleOutput {
public:
    explicit ConsoleOutput(bool quiet);

    OutputStyle Style() const { return m_style; }
    // A line of information (ends a bar in progress first).
    void Info(const std::string& line);
    // "tessa: " and the reason, on standard error.
    void Error(const std::string& reason);
    // Progress of a named step: a bar with percentage and time left on a
    // console, a line every tenth otherwise. Starts timing at done 0.
    void Progress(const char* what, uint64_t done, uint64_t total);
    // Ends a bar in progress with a new line.
    void EndProgress();
    // The erase gives no progress: the time it has taken so far.
    void Elapsed(const char* what, double seconds);
    // A state that changes while nothing else is shown: redrawn in place on
    // a console, a line otherwise.
    void Status(const std::string& text);

private:
    OutputStyle m_style;
    bool m_barShown = false;
    int m_lastShown = -1;
    RunClock m_started;
    RunClock m_lastDraw;
};

// The bar's text for a fraction: "[####------]  40%  0:07 left" (the time is
// left out while unknown). Pure, for tests.
std::string ProgressBarText(uint64_t done, uint64_t total, double elapsedSeconds, int width);

// The lines of a run on several boards (tessa --devices).
#pragma once
#include "ConsoleOutput.h"
#include "RunClock.h"
#include "StringConv.h"
#include <windows.h>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// "12.3 s".
inline std::string Seconds(uint64_t milliseconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(milliseconds) / 1000.0);
    return text;
}

// What the boards show. On a console: one line per board (and one of totals
// for stations), redrawn in place. Into a pipe: plain lines, each after its
// board's device number. Quiet: only the failures, on standard error. All
// output goes through here, one line at a time.
class GangDisplay {
public:
    GangDisplay(ConsoleOutput& out, const std::vector<int>& devices, bool stations)
        : m_out(out), m_style(out.Style()), m_devices(devices), m_stations(stations), m_lines(devices.size())
    {
    }
    ~GangDisplay() { Close(); }

    // On a console, makes room for the lines and starts redrawing them.
    void Open()
    {
        CONSOLE_SCREEN_BUFFER_INFO info;
        m_console = ::GetStdHandle(STD_OUTPUT_HANDLE);
        if (m_style != OutputStyle::console || !::GetConsoleScreenBufferInfo(m_console, &info))
            return;
        const std::wstring room(Rows(), L'\n');
        DWORD written = 0;
        ::WriteConsoleW(m_console, room.data(), static_cast<DWORD>(room.size()), &written, nullptr);
        ::GetConsoleScreenBufferInfo(m_console, &info);
        m_width = info.dwSize.X;
        m_top = static_cast<SHORT>(info.dwCursorPosition.Y - Rows());
        m_drawing = true;
        m_redraw = std::thread([this] {
            std::unique_lock<std::mutex> lock(m_lock);
            while (m_drawing) {
                Draw();
                m_wake.wait_for(lock, std::chrono::milliseconds(200));
            }
        });
    }

    // The last drawing, with the cursor below it; then what had to wait.
    void Close()
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (!m_drawing)
                return;
            m_drawing = false;
        }
        m_wake.notify_all();
        m_redraw.join();
        std::lock_guard<std::mutex> lock(m_lock);
        Draw();
        for (const std::string& reason : m_deferred)
            m_out.Error(reason);
        m_deferred.clear();
    }

    void Status(size_t board, const std::string& text)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        Line& line = m_lines[board];
        line.text = text;
        line.erasing = line.programming = false;
        Info(board, text);
    }

    void Erasing(size_t board)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        Line& line = m_lines[board];
        line.erasing = true;
        line.since.Restart();
        Info(board, "erasing the flash");
    }

    void Progress(size_t board, uint32_t done, uint32_t total)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        Line& line = m_lines[board];
        if (!line.programming || done == 0) {
            line.since.Restart();
            line.shownTenth = -1;
        }
        line.programming = true;
        line.erasing = false;
        line.done = done;
        line.total = total;
        const int percent = total ? static_cast<int>(uint64_t(done) * 100 / total) : 100;
        if (percent / 10 > line.shownTenth) {
            line.shownTenth = percent / 10;
            Info(board, "programming " + std::to_string(percent) + "%");
        }
    }

    // "OK, ..." or "FAILED, ...": on a console in the board's line, else
    // the failures as errors.
    void Result(size_t board, bool good, const std::string& text)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        Line& line = m_lines[board];
        line.text = text;
        line.erasing = line.programming = false;
        if (m_drawing)
            Draw();
        else if (!good)
            m_out.Error(Prefix(board) + text);
        else
            Info(board, text);
    }

    void Counts(size_t board, unsigned good, unsigned failed, unsigned allGood, unsigned allFailed)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_lines[board].counts = CountText(good, failed);
        m_total = "all boards: " + CountText(allGood, allFailed);
        Info(board, m_lines[board].counts + "; " + m_total);
    }

    void Error(const std::string& reason)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_drawing)
            m_deferred.push_back(reason);
        else
            m_out.Error(reason);
    }

    static std::string CountText(unsigned good, unsigned failed)
    {
        return "good " + std::to_string(good) + ", failed " + std::to_string(failed);
    }

private:
    struct Line {
        std::string text;  // the stage, or the result
        bool erasing = false, programming = false;
        RunClock since;  // from the start of the erase or of programming
        uint32_t done = 0, total = 0;
        int shownTenth = -1;
        std::string counts;
    };

    SHORT Rows() const { return static_cast<SHORT>(m_lines.size() + (m_stations ? 1 : 0)); }
    std::string Prefix(size_t board) const { return "board " + std::to_string(m_devices[board]) + ": "; }

    // A plain line into a pipe. Caller holds m_lock.
    void Info(size_t board, const std::string& text)
    {
        if (m_style == OutputStyle::lines)
            m_out.Info(Prefix(board) + text);
    }

    // Caller holds m_lock.
    std::string Render(size_t board) const
    {
        const Line& line = m_lines[board];
        std::string text = Prefix(board);
        const uint64_t elapsed = line.since.Milliseconds();
        if (line.programming)
            text += "programming " + ProgressBarText(line.done, line.total, line.since.Seconds(), 20);
        else if (line.erasing)
            text += "erasing the flash, " + Seconds(elapsed);
        else
            text += line.text;
        if (!line.counts.empty())
            text += "  (" + line.counts + ")";
        return text;
    }

    // Every line in its place, the cursor below them. Caller holds m_lock.
    void Draw()
    {
        for (SHORT row = 0; row < Rows(); ++row) {
            const size_t board = static_cast<size_t>(row);
            std::wstring text = WideFromUtf8(board < m_lines.size() ? Render(board) : m_total);
            text.resize(m_width > 1 ? static_cast<size_t>(m_width - 1) : 0, L' ');
            ::SetConsoleCursorPosition(m_console, COORD{ 0, static_cast<SHORT>(m_top + row) });
            DWORD written = 0;
            ::WriteConsoleW(m_console, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        }
        ::SetConsoleCursorPosition(m_console, COORD{ 0, static_cast<SHORT>(m_top + Rows()) });
    }

    ConsoleOutput& m_out;
    const OutputStyle m_style;
    const std::vector<int> m_devices;
    const bool m_stations;
    std::mutex m_lock;
    std::vector<Line> m_lines;
    std::string m_total;
    std::vector<std::string> m_deferred;  // errors held back while the lines are drawn
    HANDLE m_console = nullptr;
    SHORT m_top = 0, m_width = 80;
    bool m_drawing = false;
    std::condition_variable m_wake;
    std::thread m_redraw;
};

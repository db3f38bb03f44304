// The one clock of the flash runs: how long a run, an erase or a wait took,
// in milliseconds from the system's tick count.
#pragma once
#include <windows.h>
#include <cstdint>

class RunClock {
public:
    RunClock() : m_start(::GetTickCount64()) {}
    void Restart() { m_start = ::GetTickCount64(); }
    uint64_t Milliseconds() const { return ::GetTickCount64() - m_start; }
    double Seconds() const { return static_cast<double>(Milliseconds()) / 1000.0; }

private:
    ULONGLONG m_start;
};

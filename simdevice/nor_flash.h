// A NOR SPI flash chip whose cells live in a file.
//
// The chip's rules are modelled here and nowhere else: erasing sets every
// byte to 0xFF, programming can only clear bits (new = old AND data), and
// nothing is written outside the chip's capacity. Every write goes straight
// to the file, so another process sees it as soon as the call returns.
#pragma once

#include <windows.h>

#include <string>

// Holds a critical section for one scope.
class Lock {
public:
    explicit Lock(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
    ~Lock() { LeaveCriticalSection(&cs_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CRITICAL_SECTION& cs_;
};

class NorFlash {
public:
    NorFlash();
    ~NorFlash();
    NorFlash(const NorFlash&) = delete;
    NorFlash& operator=(const NorFlash&) = delete;

    // Opens (or creates) the backing file and makes it exactly `capacity`
    // bytes long: a new file is an erased chip, a short one is extended with
    // 0xFF, a long one is cut. Returns false if the file cannot be used. A
    // chip already attached stays as it is and returns true.
    bool Attach(const std::wstring& path, unsigned long long capacity);

    const std::wstring& Path() const { return path_; }
    unsigned long long Capacity() const { return capacity_; }

    // Sets every byte to 0xFF.
    bool EraseAll();

    // Programs `count` bytes at `address` (old AND data). A range that does
    // not lie wholly inside the chip is refused and nothing is written.
    bool Program(unsigned long long address, const unsigned char* data, unsigned long count);

private:
    bool FillOnes(unsigned long long from, unsigned long long to);
    bool ReadAt(unsigned long long offset, unsigned char* buffer, unsigned long count);
    bool WriteAt(unsigned long long offset, const unsigned char* buffer, unsigned long count);

    CRITICAL_SECTION lock_;
    HANDLE file_;
    std::wstring path_;
    unsigned long long capacity_;
};

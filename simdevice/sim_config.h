// Settings of the simulated device: read from KP6600HidDriver.ini beside the
// library (section [Device]) and from the environment, the environment
// winning. See README.md for the keys.
#pragma once

#include <string>

struct SimConfig {
    std::wstring flashFile;                 // full path
    unsigned long long capacity = 8388608;  // bytes
    unsigned long eraseMs = 3000;
    unsigned long blockDelayMs = 2;
    bool plugged = true;
    long openFails = 0;       // the first N opens since load fail
    bool flashInfoFails = false;
    long eraseResult = 1;     // anything but 1: the erase fails, cells untouched
    long failBlock = -1;      // index of the Program call that fails
    long shortBlock = -1;     // index of the Program call that programs count-1 bytes
    std::wstring callLog;     // full path, empty = no log
};

// Reads the settings; relative paths are taken from `libraryFolder`
// (which has no trailing backslash).
SimConfig LoadSimConfig(const std::wstring& libraryFolder);

// Parses a decimal or 0x-hexadecimal number, optionally negative.
// Returns false for anything else (including overflow and trailing text).
bool ParseConfigNumber(const std::wstring& text, long long* value);

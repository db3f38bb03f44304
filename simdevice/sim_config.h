// Settings of the simulated device: read from KP6600HidDriver.ini beside the
// library (section [Device]) and from the environment, the environment
// winning; a board's own settings (section [DeviceN], variables with the
// suffix _N) win over both. See README.md for the keys.
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

const int kMaxBoards = 64;

// Reads board `board`'s settings; relative paths are taken from
// `libraryFolder` (which has no trailing backslash).
SimConfig LoadSimConfig(const std::wstring& libraryFolder, int board = 0);

// How many boards the device numbers reach (Boards, 1 to kMaxBoards).
int LoadBoardCount(const std::wstring& libraryFolder);

// The flash file of board n >= 1 when it has none of its own: `path` with
// "-n" before the extension of its last part ("D:\x\flash-3.bin").
std::wstring BoardFlashFile(const std::wstring& path, int board);

// Parses a decimal or 0x-hexadecimal number, optionally negative.
// Returns false for anything else (including overflow and trailing text).
bool ParseConfigNumber(const std::wstring& text, long long* value);

// The folder of the program's executable, from which every run-time library is loaded.
#pragma once
#include <windows.h>
#include <string>

// The module whose folder GetModuleDir reports; set once at start-up.
void SetModuleInstance(HINSTANCE instance);

// The folder of the executable, with a trailing backslash when asked
// (ANSI code page, as the library loader takes it).
std::string GetModuleDir(bool addBackslash);

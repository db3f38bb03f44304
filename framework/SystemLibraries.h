// Where the process takes the system's libraries from: the system folder
// only. The program's own folder, the current folder and the PATH are not
// searched for them, so that a file of the same name put beside the program
// is never run in its place. The program's own libraries (the driver, the
// converters) are loaded by their full path instead (ModuleLibrary).
#pragma once
#include <windows.h>

// Called first thing at start-up: every later load by file name, the first
// calls into a delay-loaded library's included, searches the system folder
// only. A system without that setting (Windows 7 before its update
// KB2533623) at least leaves the current folder out.
void SearchSystemFolderOnly();

// A library of the system by its file name ("ole32.dll"), from the system
// folder only; null when it can't be loaded there. Freed with FreeLibrary by
// the caller.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

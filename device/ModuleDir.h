// The folder of the program's executable, from which every run-time library is loaded.
#pragma once
#include <windows.h>
#include <string>

// The module whose folder GetModuleDir reports; set once at start-up.
void SetModuleInstance(HINSTANCE instance);

// The folder of the executable, with a trailing backslash when asked. The
// UTF-16 form names any folder and is the one libraries are loaded by; the
// ANSI form is for texts.
std::wstring GetModuleDirW(bool addBackslash);
std::string GetModuleDir(bool addBackslash);

// A run-time library of the program's folder (the driver, the converters),
// loaded by its full path; the system libraries it imports come from the
// system folder only, never from beside the program. Only what the system
// folder lacks (a vendor's own companion library) is looked for in the
// library's folder. Freed by the object that loaded it.
class ModuleLibrary {
public:
    ModuleLibrary() = default;
    ~ModuleLibrary() { Free(); }
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;

    // fileName is plain ASCII ("KP6600HidDriver.dll"). True when loaded (now
    // or before).
    bool Load(const char* fileName);
    void Free();
    HMODULE Get() const { return m_module; }
    explicit operator bool() const { return m_module != nullptr; }

private:
    HMODULE m_module = nullptr;
};

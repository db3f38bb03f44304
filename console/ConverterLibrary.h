// What pack and convert share on the way to the converter libraries: the
// library loaded from the program's folder, and the sources in the ANSI code
// page the converters take.
#pragma once
#include "ConsoleOutput.h"
#include "ModuleDir.h"
#include <windows.h>
#include <string>
#include <vector>

// A converter library from the program's folder, freed with the object.
class ConverterLibrary {
public:
    // False after saying which library could not be loaded.
    bool Load(const char* name, ConsoleOutput& out);
    HMODULE Module() const { return m_library.Get(); }

private:
    ModuleLibrary m_library;
};

// The sources as the converters take them: each must exist, and its name
// must be held exactly by the ANSI code page. False after saying which isn't.
bool AnsiSources(const std::vector<std::string>& files, std::vector<std::string>* ansi, ConsoleOutput& out);

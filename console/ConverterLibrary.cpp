#include "ConverterLibrary.h"
#include "ConsoleFiles.h"
#include "ModuleDir.h"
#include "StringConv.h"

namespace {

bool IsFile(const std::string& utf8Path)
{
    const DWORD attributes = ::GetFileAttributesW(WideFromUtf8(utf8Path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool ConverterLibrary::Load(const char* name, ConsoleOutput& out)
{
    if (m_library.Load(name))
        return true;
    out.Error("can't load the converter library " + Utf8FromWide(GetModuleDirW(true)) + name);
    return false;
}

bool AnsiSources(const std::vector<std::string>& files, std::vector<std::string>* ansi, ConsoleOutput& out)
{
    for (const std::string& file : files) {
        if (IsFolder(file)) {
            out.Error(file + " is a folder, not a file: name the file itself");
            return false;
        }
        if (!IsFile(file)) {
            out.Error("no such file: " + file);
            return false;
        }
        std::string name;
        if (!AnsiFromUtf8Exact(file, &name)) {
            out.Error("can't hand " + file + " to the converters: they take paths in the ANSI code page ("
                      + std::to_string(::GetACP()) + "), which has no place for some of its characters");
            return false;
        }
        ansi->push_back(name);
    }
    return true;
}

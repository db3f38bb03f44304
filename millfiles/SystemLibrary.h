// A library of the system that a converter library calls into, loaded from
// the system folder only and freed with the object. A converter library is
// loaded by programs other than ours too, whose search order for libraries is
// not known: it imports no system library that is not a known one (those the
// loader takes from the system folder whatever the order), and loads the
// others here, so that a file of the same name beside the program is never
// run in their place. Shared by TuneMill.dll and PicMill.dll.
#pragma once
#include <windows.h>

namespace millfiles {

class SystemLibrary {
public:
    // fileName: "msacm32.dll".
    explicit SystemLibrary(const wchar_t* fileName);
    ~SystemLibrary();
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    explicit operator bool() const { return module_ != nullptr; }

    // Sets *function to the export of that name, typed as the declaration
    // of the system's header says (decltype(&::acmStreamOpen)); false when
    // the library or the export is missing.
    template <typename Function>
    bool Find(const char* name, Function* function) const
    {
        *function = module_ ? reinterpret_cast<Function>(::GetProcAddress(module_, name)) : nullptr;
        return *function != nullptr;
    }

private:
    HMODULE module_ = nullptr;
};

}  // namespace millfiles

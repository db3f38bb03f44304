#include "UnpackFolder.h"
#include "ConsoleFiles.h"
#include "StringConv.h"
#include <vector>

namespace {

bool HasNumberedForm(const std::wstring& name, const wchar_t* stem, const wchar_t* extension)
{
    const size_t stemLength = std::wcslen(stem), extensionLength = std::wcslen(extension);
    if (name.size() < stemLength + 2 + extensionLength)
        return false;
    if (::lstrcmpiW(name.substr(0, stemLength).c_str(), stem) != 0
        || ::lstrcmpiW(name.substr(name.size() - extensionLength).c_str(), extension) != 0)
        return false;
    for (size_t i = stemLength; i < name.size() - extensionLength; ++i) {
        if (name[i] < L'0' || name[i] > L'9')
            return false;
    }
    return true;
}

}  // namespace

bool IsUnpackFileName(const std::wstring& name)
{
    return ::lstrcmpiW(name.c_str(), L"map.json") == 0 || HasNumberedForm(name, L"audio-", L".wav")
           || HasNumberedForm(name, L"image-", L".png");
}

bool PrepareUnpackFolder(const std::wstring& folder, bool replace, std::string* why)
{
    const std::wstring prefix = folder.back() == L'\\' ? folder : folder + L'\\';
    std::vector<std::wstring> own;
    bool others = false;
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((prefix + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsUnpackFileName(name))
                own.push_back(name);
            else
                others = true;
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    if (!replace && (others || !own.empty())) {
        *why = "is not empty";
        return false;
    }
    for (const std::wstring& name : own) {
        if (!::DeleteFileW((prefix + name).c_str())) {
            *why = "still holds " + Utf8FromWide(name) + " of an earlier unpack: "
                   + SystemErrorText(::GetLastError());
            return false;
        }
    }
    return true;
}

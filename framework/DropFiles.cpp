#include "DropFiles.h"

std::vector<std::wstring> DragQueryFiles(HDROP drop)
{
    std::vector<std::wstring> files;
    UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(static_cast<size_t>(length) + 1, L'\0');
        UINT copied = ::DragQueryFileW(drop, i, &path[0], length + 1);
        path.resize(copied);
        files.push_back(path);
    }
    return files;
}

// The system's file-open or file-save dialog, with the "|"-separated filter form.
// The dialog itself runs in UTF-16, so that any file name can be chosen.
#pragma once
#include "CWnd.h"
#include <commdlg.h>
#include <string>
#include <vector>

class CFileDialog {
public:
    // filter: "Name|*.ext|Name2|*.a;*.b||"; bufferChars: size of the name buffer.
    CFileDialog(BOOL openFileDialog, const char* defaultExt, const char* fileName, DWORD flags,
                const char* filter, CWnd* parent, DWORD bufferChars = MAX_PATH);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    INT_PTR DoModal();
    // The chosen file's full path (the first one of a multiple selection).
    std::wstring GetPathName() const;
    // Every chosen file as a full path, in the order the dialog returns them.
    std::vector<std::wstring> GetPathNames() const;

    OPENFILENAMEW m_ofn = {};

private:
    BOOL m_bOpenFileDialog;
    std::wstring m_filter;
    std::wstring m_defaultExt;
    std::vector<wchar_t> m_fileBuffer;
};

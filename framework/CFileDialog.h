// The system's file-open or file-save dialog, with the "|"-separated filter form.
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
    std::string GetPathName() const;
    // Every chosen file as a full path, in the order the dialog returns them.
    std::vector<std::string> GetPathNames() const;

    OPENFILENAMEA m_ofn = {};

private:
    BOOL m_bOpenFileDialog;
    std::string m_filter;
    std::string m_defaultExt;
    std::vector<char> m_fileBuffer;
};

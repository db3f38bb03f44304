#include "CFileDialog.h"
#include <cstring>

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExt, const char* fileName, DWORD flags,
                         const char* filter, CWnd* parent, DWORD bufferChars)
    : m_bOpenFileDialog(openFileDialog), m_fileBuffer(bufferChars ? bufferChars : MAX_PATH, '\0')
{
    if (filter) {
        m_filter = filter;
        for (char& c : m_filter)
            if (c == '|')
                c = '\0';
        m_filter.push_back('\0');
    }
    if (defaultExt)
        m_defaultExt = defaultExt;
    if (fileName)
        strncpy(m_fileBuffer.data(), fileName, m_fileBuffer.size() - 1);

    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.hwndOwner = parent ? parent->m_hWnd : nullptr;
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
    m_ofn.nFilterIndex = 1;
    m_ofn.lpstrFile = m_fileBuffer.data();
    m_ofn.nMaxFile = static_cast<DWORD>(m_fileBuffer.size());
    m_ofn.lpstrDefExt = defaultExt ? m_defaultExt.c_str() : nullptr;
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLESIZING;
}

INT_PTR CFileDialog::DoModal()
{
    BOOL ok = m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    return ok ? IDOK : IDCANCEL;
}

std::string CFileDialog::GetPathName() const
{
    std::vector<std::string> names = GetPathNames();
    return names.empty() ? std::string() : names.front();
}

std::vector<std::string> CFileDialog::GetPathNames() const
{
    std::vector<std::string> names;
    const char* p = m_ofn.lpstrFile;
    std::string first = p;
    if (first.empty())
        return names;
    p += first.size() + 1;
    if (!(m_ofn.Flags & OFN_ALLOWMULTISELECT) || *p == '\0') {
        names.push_back(first);
        return names;
    }
    // A multiple selection: the folder, then the names within it.
    if (first.back() != '\\')
        first.push_back('\\');
    while (*p) {
        std::string name = p;
        names.push_back(first + name);
        p += name.size() + 1;
    }
    return names;
}

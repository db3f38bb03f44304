#include "CFileDialog.h"
#include "StringConv.h"

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExt, const char* fileName, DWORD flags,
                         const char* filter, CWnd* parent, DWORD bufferChars)
    : m_bOpenFileDialog(openFileDialog), m_fileBuffer((bufferChars ? bufferChars : MAX_PATH) + 1, L'\0')
{
    if (filter) {
        m_filter = WideFromAnsi(filter);
        for (wchar_t& c : m_filter)
            if (c == L'|')
                c = L'\0';
        m_filter.push_back(L'\0');
    }
    if (defaultExt)
        m_defaultExt = WideFromAnsi(defaultExt);
    if (fileName) {
        const std::wstring name = WideFromAnsi(fileName);
        name.copy(m_fileBuffer.data(), m_fileBuffer.size() - 2);
    }

    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.hwndOwner = parent ? parent->m_hWnd : nullptr;
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
    m_ofn.nFilterIndex = 1;
    m_ofn.lpstrFile = m_fileBuffer.data();
    // One more zero than the dialog may fill: the names always end.
    m_ofn.nMaxFile = static_cast<DWORD>(m_fileBuffer.size() - 1);
    m_ofn.lpstrDefExt = defaultExt ? m_defaultExt.c_str() : nullptr;
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLESIZING;
}

INT_PTR CFileDialog::DoModal()
{
    BOOL ok = m_bOpenFileDialog ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn);
    return ok ? IDOK : IDCANCEL;
}

std::wstring CFileDialog::GetPathName() const
{
    std::vector<std::wstring> names = GetPathNames();
    return names.empty() ? std::wstring() : names.front();
}

std::vector<std::wstring> CFileDialog::GetPathNames() const
{
    std::vector<std::wstring> names;
    const wchar_t* p = m_ofn.lpstrFile;
    std::wstring first = p;
    if (first.empty())
        return names;
    p += first.size() + 1;
    if (!(m_ofn.Flags & OFN_ALLOWMULTISELECT) || *p == L'\0') {
        names.push_back(first);
        return names;
    }
    // A multiple selection: the folder, then the names within it.
    if (first.back() != L'\\')
        first.push_back(L'\\');
    while (*p) {
        std::wstring name = p;
        names.push_back(first + name);
        p += name.size() + 1;
    }
    return names;
}

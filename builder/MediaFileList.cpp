#include "MediaFileList.h"
#include "BuilderParams.h"
#include "CFileDialog.h"
#include "CWinApp.h"
#include "StringConv.h"
#include "Texts.h"

namespace {
// The file name buffer of the file dialogs, for multiple selections.
const DWORD kFileNameBufferChars = 66300;
}

bool CMediaFileList::AddEntries(CWnd& owner, const char* filter, const wchar_t* limitMessage)
{
    if (GetCount() >= kMaxListEntries) {
        owner.MessageBox(limitMessage, texts::kCaptionWarning, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, filter,
                       &owner, kFileNameBufferChars);
    if (dialog.DoModal() != IDOK)
        return false;
    return AddPaths(owner, dialog.GetPathNames(), limitMessage);
}

bool CMediaFileList::AddPaths(CWnd& owner, const std::vector<std::wstring>& paths, const wchar_t* limitMessage)
{
    if (!paths.empty() && GetCount() >= kMaxListEntries) {
        owner.MessageBox(limitMessage, texts::kCaptionWarning, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    bool added = false;
    for (const std::wstring& chosen : paths) {
        // The converters take paths in the ANSI code page: a name it can't
        // hold is refused here, by name, rather than fail at the Write.
        std::string path;
        if (!AnsiFromWideExact(chosen, &path)) {
            owner.MessageBox((std::wstring(texts::kNotAnsiPathPrefix) + chosen).c_str(), texts::kCaptionWarning,
                             MB_OK | MB_ICONEXCLAMATION);
            continue;
        }
        // The packed image counts entries in 16 bits: a selection stops at the limit.
        if (GetCount() >= kMaxListEntries || path.size() > kMaxListEntryChars)
            continue;
        AddString(path.c_str());
        added = true;
    }
    if (added)
        SetCurSel(GetCount() - 1);
    return added;
}

void CMediaFileList::Replace(const std::vector<std::string>& paths)
{
    ResetContent();
    for (const std::string& path : paths)
        AddString(path.c_str());
    if (!paths.empty())
        SetCurSel(0);
}

bool CMediaFileList::DeleteEntry()
{
    int selected = GetCurSel();
    if (selected < 0)
        return false;
    DeleteString(selected);
    SetCurSel(selected > 0 ? selected - 1 : 0);
    return true;
}

bool CMediaFileList::MoveEntry(int step)
{
    int selected = GetCurSel();
    int target = selected + step;
    if (selected < 0 || target < 0 || target >= GetCount())
        return false;
    std::string text;
    if (!GetText(selected, &text))
        return false;
    DeleteString(selected);
    InsertString(target, text.c_str());
    SetCurSel(target);
    return true;
}

bool CMediaFileList::GetSelected(std::string* path) const
{
    return GetText(GetCurSel(), path);
}

std::vector<std::string> CMediaFileList::Items() const
{
    std::vector<std::string> items;
    int count = GetCount();
    for (int i = 0; i < count; ++i) {
        std::string text;
        if (GetText(i, &text) && text.size() <= kMaxListEntryChars)
            items.push_back(text);  // an entry that can't be read is skipped
    }
    return items;
}

void CMediaFileList::Load(CWinApp& store, const char* section)
{
    int entries = StoredEntriesToRead(static_cast<int>(store.GetProfileInt(section, texts::kKeyCount, 0)));
    int added = 0;
    for (int j = 0; j < entries; ++j) {
        std::string path = store.GetProfileString(section, FileKey(j).c_str(), "");
        // Empty entries are skipped; so are paths longer than a path can be,
        // which only an edited store could hold.
        if (path.empty() || path.size() > kMaxListEntryChars)
            continue;
        AddString(path.c_str());
        ++added;
    }
    if (added > 0)
        SetCurSel(0);
}

void CMediaFileList::Save(CWinApp& store, const char* section)
{
    int written = 0;
    int count = GetCount();
    for (int i = 0; i < count; ++i) {
        std::string text;
        if (!GetText(i, &text) || text.size() > kMaxListEntryChars)
            continue;
        store.WriteProfileString(section, FileKey(written).c_str(), text.c_str());
        ++written;
    }
    store.WriteProfileInt(section, texts::kKeyCount, written);
}

// One of the builder's file lists (audio or image files): its entries are
// source paths in the ANSI code page, as the converters take them, edited
// with Add, Delete, Up and Down and kept in a section of the settings store.
#pragma once
#include "CControls.h"
#include <string>
#include <vector>

class CWinApp;

class CMediaFileList : public CListBox {
public:
    // Adds the files chosen in a file dialog owned by owner, up to the
    // list's limit (limitMessage when it is full); whether the list changed.
    bool AddEntries(CWnd& owner, const char* filter, const wchar_t* limitMessage);
    // Appends files as AddEntries does with the dialog's choice (a dropped
    // set, say): a name the converters can't take is refused to owner by
    // name, and the list stops at its limit (limitMessage when it is full
    // already). The last one added is selected; whether the list changed.
    bool AddPaths(CWnd& owner, const std::vector<std::wstring>& paths, const wchar_t* limitMessage);
    // The list becomes these entries (ANSI paths), the first selected.
    void Replace(const std::vector<std::string>& paths);
    // Deletes or moves the selected entry; whether the list changed.
    bool DeleteEntry();
    bool MoveEntry(int step);

    // The selected entry; false when none can be read.
    bool GetSelected(std::string* path) const;
    // Every entry that can be read, in order.
    std::vector<std::string> Items() const;

    void Load(CWinApp& store, const char* section);
    void Save(CWinApp& store, const char* section);
};

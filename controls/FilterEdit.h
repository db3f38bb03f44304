// Runs an edit field's text through a character filter: when the filter
// changed something, the field gets the filtered text with the caret at its
// end; otherwise text, caret and selection stay as they are.
#pragma once
#include "CControls.h"
#include <string>

template <typename Filter>
void ApplyEditFilter(CEdit& edit, Filter filter)
{
    bool changed = false;
    std::string filtered = filter(edit.GetWindowTextA(), &changed);
    if (!changed)
        return;
    // Raises EN_UPDATE once more; that pass finds nothing to change.
    edit.SetWindowText(filtered.c_str());
    int end = static_cast<int>(filtered.size());
    edit.SetSel(end, end);
    edit.ScrollCaret();
}

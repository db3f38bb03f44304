#include "C_DecEdit.h"
#include "EditFilters.h"

BOOL C_DecEdit::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == EN_UPDATE) {
        OnUpdate();
        *result = 0;
        return TRUE;
    }
    return CEdit::OnChildNotify(msg, wParam, lParam, result);
}

void C_DecEdit::OnUpdate()
{
    bool changed = false;
    std::string filtered = FilterDecimal(GetWindowTextA(), &changed);
    if (!changed)
        return;
    // Raises EN_UPDATE once more; that pass finds nothing to change.
    SetWindowText(filtered.c_str());
    int end = static_cast<int>(filtered.size());
    SetSel(end, end);
    ScrollCaret();
}

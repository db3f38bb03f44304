#include "C_HexEdit.h"
#include "EditFilters.h"
#include "FilterEdit.h"

BOOL C_HexEdit::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == EN_UPDATE) {
        OnUpdate();
        *result = 0;
        return TRUE;
    }
    return CEdit::OnChildNotify(msg, wParam, lParam, result);
}

void C_HexEdit::OnUpdate()
{
    ApplyEditFilter(*this, FilterHex);
}

#include "C_DecEdit.h"
#include "EditFilters.h"
#include "FilterEdit.h"

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
    ApplyEditFilter(*this, FilterDecimal);
}

// A single-line edit field that lets only decimal digits stand: whatever else
// is typed, pasted or set by the program vanishes before it is shown.
#pragma once
#include "CControls.h"

class C_DecEdit : public CEdit {
public:
    C_DecEdit() = default;

protected:
    // The field's own EN_UPDATE, handed back by the parent.
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnUpdate();
};

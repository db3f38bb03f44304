// A single-line edit field that lets only hexadecimal digits stand, in upper
// case: lower-case a to f are raised, anything else vanishes before it is shown.
#pragma once
#include "CControls.h"

class C_HexEdit : public CEdit {
public:
    C_HexEdit() = default;

protected:
    // The field's own EN_UPDATE, handed back by the parent.
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnUpdate();
};

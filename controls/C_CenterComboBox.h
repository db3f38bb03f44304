// An owner-drawn drop-down list whose items are drawn centred, horizontally
// and vertically. The parent hands the owner-draw requests back to the list.
#pragma once
#include "CControls.h"
#include <string>

// Byte-wise comparison as unsigned characters, case-sensitive, no locale:
// -1 when a sorts before b, 0 when equal, 1 otherwise.
int CompareItemText(const std::string& a, const std::string& b);

class C_CenterComboBox : public CComboBox {
public:
    C_CenterComboBox() = default;

    virtual void DrawItem(DRAWITEMSTRUCT* item);
    virtual void MeasureItem(MEASUREITEMSTRUCT* item);
    virtual int CompareItem(COMPAREITEMSTRUCT* item);
    virtual void DeleteItem(DELETEITEMSTRUCT* item);

    // The whole text of an item; empty for -1, a missing item or a failure.
    std::string ItemText(int index) const;

protected:
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

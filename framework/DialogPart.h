// One part of a dialog, such as a panel of a window that shows several: the
// controls it owns, declared by id. The labels and group boxes that have no
// id go with the control after them in the template, as their access keys
// do, so a part owns them without naming them.
#pragma once
#include <windows.h>
#include <initializer_list>
#include <vector>

class CDialogPart {
public:
    CDialogPart(std::initializer_list<int> ids) : m_ids(ids) {}

    // The control with this id is one of the part's.
    bool HasControl(int id) const;
    // The part's child windows of dialog, labels and group boxes included,
    // in the template's order.
    std::vector<HWND> Windows(HWND dialog) const;

private:
    std::vector<int> m_ids;
};

#include "DialogPart.h"
#include <algorithm>

namespace {
// The id of a template control declared without one (-1, or 0xFFFF in a
// template of the older form).
bool HasNoId(int id)
{
    return id == -1 || id == 0xFFFF;
}
}  // namespace

bool CDialogPart::HasControl(int id) const
{
    return std::find(m_ids.begin(), m_ids.end(), id) != m_ids.end();
}

std::vector<HWND> CDialogPart::Windows(HWND dialog) const
{
    std::vector<HWND> windows;
    // The labels met since the last control with an id; they go where the
    // next control with an id goes.
    std::vector<HWND> labels;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const int id = ::GetDlgCtrlID(child);
        if (HasNoId(id)) {
            labels.push_back(child);
            continue;
        }
        if (HasControl(id)) {
            windows.insert(windows.end(), labels.begin(), labels.end());
            windows.push_back(child);
        }
        labels.clear();
    }
    return windows;
}

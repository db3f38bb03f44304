#include "C_CenterComboBox.h"
#include "CDC.h"
#include <cstdlib>

int CompareItemText(const std::string& a, const std::string& b)
{
    size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::string C_CenterComboBox::ItemText(int index) const
{
    if (index < 0 || !m_hWnd)
        return std::string();
    std::string text;
    GetLBText(index, &text);
    return text;
}

void C_CenterComboBox::DrawItem(DRAWITEMSTRUCT* item)
{
    std::string text = ItemText(static_cast<int>(item->itemID));

    CDC dc;
    dc.Attach(item->hDC);
    COLORREF savedText = dc.GetTextColor();
    COLORREF savedBack = dc.GetBkColor();

    COLORREF fill = savedBack;
    if (item->itemState & ODS_SELECTED) {
        dc.SetTextColor(::GetSysColor(COLOR_HIGHLIGHTTEXT));
        dc.SetBkColor(::GetSysColor(COLOR_HIGHLIGHT));
        fill = ::GetSysColor(COLOR_HIGHLIGHT);
    } else if (item->itemState & ODS_DISABLED) {
        dc.SetTextColor(::GetSysColor(COLOR_GRAYTEXT));
    }
    dc.FillSolidRect(&item->rcItem, fill);
    RECT rect = item->rcItem;
    dc.DrawText(text.c_str(), static_cast<int>(text.size()), &rect,
                DT_SINGLELINE | DT_VCENTER | DT_CENTER);

    dc.SetTextColor(savedText);
    dc.SetBkColor(savedBack);
    dc.Detach();
}

void C_CenterComboBox::MeasureItem(MEASUREITEMSTRUCT* item)
{
    if (static_cast<int>(item->itemID) == -1)
        return;
    std::string text = ItemText(static_cast<int>(item->itemID));
    CClientDC dc(m_hWnd);
    SIZE size = {};
    // A failed or empty measurement keeps the height the system proposed.
    if (dc.GetTextExtent(text.c_str(), static_cast<int>(text.size()), &size) && size.cy > 0)
        item->itemHeight = static_cast<UINT>(size.cy);
}

int C_CenterComboBox::CompareItem(COMPAREITEMSTRUCT* item)
{
    return CompareItemText(ItemText(static_cast<int>(item->itemID1)),
                           ItemText(static_cast<int>(item->itemID2)));
}

void C_CenterComboBox::DeleteItem(DELETEITEMSTRUCT* item)
{
    // Item data is owned by the list and comes from malloc.
    if (item->itemData)
        std::free(reinterpret_cast<void*>(item->itemData));
}

BOOL C_CenterComboBox::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_DRAWITEM:
        DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        *result = TRUE;
        return TRUE;
    case WM_MEASUREITEM:
        MeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        *result = TRUE;
        return TRUE;
    case WM_COMPAREITEM:
        *result = CompareItem(reinterpret_cast<COMPAREITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DELETEITEM:
        DeleteItem(reinterpret_cast<DELETEITEMSTRUCT*>(lParam));
        *result = TRUE;
        return TRUE;
    default:
        return CComboBox::OnChildNotify(msg, wParam, lParam, result);
    }
}

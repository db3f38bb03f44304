#include "CControls.h"

namespace {

// Reads an item sized by its own length message, so no length overruns it.
template <typename Control>
bool ReadItem(const Control& control, UINT lengthMessage, UINT textMessage, int index, std::string* text)
{
    if (index < 0)
        return false;
    LRESULT length = ::SendMessageA(control.m_hWnd, lengthMessage, static_cast<WPARAM>(index), 0);
    if (length < 0)
        return false;
    std::string item(static_cast<size_t>(length) + 1, '\0');
    LRESULT copied = ::SendMessageA(control.m_hWnd, textMessage, static_cast<WPARAM>(index),
                                    reinterpret_cast<LPARAM>(&item[0]));
    if (copied < 0)
        return false;
    item.resize(item.find('\0'));
    *text = item;
    return true;
}

}  // namespace

bool CComboBox::GetLBText(int index, std::string* text) const
{
    return ReadItem(*this, CB_GETLBTEXTLEN, CB_GETLBTEXT, index, text);
}

bool CListBox::GetText(int index, std::string* text) const
{
    return ReadItem(*this, LB_GETTEXTLEN, LB_GETTEXT, index, text);
}

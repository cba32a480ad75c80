// CComboBox: item texts of any length.
#include "framework/combo_box.h"

bool CComboBox::GetLBText(int index, CString& text) const
{
    text.Empty();
    LRESULT len = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (len == CB_ERR)
        return false;
    char* buf = text.GetBuffer(static_cast<int>(len) + 1);
    LRESULT got = SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf));
    text.ReleaseBuffer(got == CB_ERR ? 0 : static_cast<int>(got));
    return got != CB_ERR;
}

// CListView: the calls that fill a record.
#include "framework/list_view.h"

int CListView::InsertColumn(int col, const char* heading, int format, int width)
{
    LVCOLUMNA c = {};
    c.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM;
    c.fmt = format;
    c.pszText = const_cast<char*>(heading ? heading : "");
    c.iSubItem = col;
    if (width >= 0) {
        c.mask |= LVCF_WIDTH;
        c.cx = width;
    }
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&c)));
}

bool CListView::SetColumnText(int col, const char* heading)
{
    LVCOLUMNA c = {};
    c.mask = LVCF_TEXT;
    c.pszText = const_cast<char*>(heading ? heading : "");
    return SendMessage(LVM_SETCOLUMNA, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&c)) != 0;
}

int CListView::InsertItem(int row, const char* text)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(text ? text : "");
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListView::SetItemText(int row, int col, const char* text)
{
    LVITEMA item = {};
    item.iSubItem = col;
    item.pszText = const_cast<char*>(text ? text : "");
    return SendMessage(LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) != 0;
}

CString CListView::GetItemText(int row, int col) const
{
    // The control tells how much it copied, not how long the text is: grow until it fits with room left.
    CString text;
    for (int size = 256;; size *= 4) {
        LVITEMA item = {};
        item.iSubItem = col;
        item.pszText = text.GetBuffer(size);
        item.cchTextMax = size + 1;
        int len = static_cast<int>(SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (len < size || size >= (1 << 20)) {
            text.ReleaseBuffer(len < 0 ? 0 : len);
            return text;
        }
    }
}

bool CListView::SetItemState(int row, UINT state, UINT mask)
{
    LVITEMA item = {};
    item.state = state;
    item.stateMask = mask;
    return SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) != 0;
}

int CListView::FindItemText(const char* text) const
{
    LVFINDINFOA find = {};
    find.flags = LVFI_STRING;
    find.psz = text ? text : "";
    return static_cast<int>(SendMessage(LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

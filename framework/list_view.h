// CListView: a report-view list control. Include as "framework/list_view.h".
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/window.h"

class CListView : public CWindow {
public:
    using CWindow::CWindow;

    // Returns the new column's index, -1 on failure.
    int InsertColumn(int col, const char* heading, int format = LVCFMT_LEFT, int width = -1);
    // Sets the heading text only.
    bool SetColumnText(int col, const char* heading);
    // Returns the new row's index, -1 on failure.
    int InsertItem(int row, const char* text);
    bool SetItemText(int row, int col, const char* text);
    // The whole text of a cell, however long.
    CString GetItemText(int row, int col) const;
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    bool DeleteItem(int row) { return SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(row)) != 0; }
    bool DeleteAllItems() { return SendMessage(LVM_DELETEALLITEMS) != 0; }
    // The next row after start (-1: from the top) with the flags, e.g. LVNI_SELECTED; -1 when none.
    int GetNextItem(int start, UINT flags) const
    {
        return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
    }
    int GetSelectionMark() const { return static_cast<int>(SendMessage(LVM_GETSELECTIONMARK)); }
    int GetSelectedCount() const { return static_cast<int>(SendMessage(LVM_GETSELECTEDCOUNT)); }
    bool SetItemState(int row, UINT state, UINT mask);
    bool SelectItem(int row) { return SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED); }
    // Whole-text search from the top; ignores case as the control does. -1 when absent.
    int FindItemText(const char* text) const;
    bool EnsureVisible(int row, bool partialOk = false)
    {
        return SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), partialOk) != 0;
    }
    DWORD SetExtendedStyle(DWORD style)
    {
        return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style));
    }
    DWORD GetExtendedStyle() const { return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    int GetTopIndex() const { return static_cast<int>(SendMessage(LVM_GETTOPINDEX)); }
    int GetCountPerPage() const { return static_cast<int>(SendMessage(LVM_GETCOUNTPERPAGE)); }
};

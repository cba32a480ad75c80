// CComboBox: combo boxes (drop-down with edit, or drop list). Include as "framework/combo_box.h".
#pragma once

#include "framework/window.h"

class CComboBox : public CWindow {
public:
    using CWindow::CWindow;

    // Each returns the item's index, or CB_ERR / CB_ERRSPACE.
    int AddString(const char* text) { return Call(CB_ADDSTRING, 0, text); }
    int InsertString(int index, const char* text) { return Call(CB_INSERTSTRING, static_cast<WPARAM>(index), text); }
    // Returns the number of items left, or CB_ERR.
    int DeleteString(int index) { return static_cast<int>(SendMessage(CB_DELETESTRING, static_cast<WPARAM>(index))); }
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    // The item's whole text; false (text empty) for an index outside the list.
    bool GetLBText(int index, CString& text) const;
    CString GetLBText(int index) const { CString t; GetLBText(index, t); return t; }
    // Whole-text search ignoring case, from the top; CB_ERR when absent.
    int FindStringExact(int start, const char* text) const
    {
        return static_cast<int>(SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(text ? text : "")));
    }
    void LimitText(int maxChars) { SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(maxChars)); }

private:
    int Call(UINT msg, WPARAM wp, const char* text)
    {
        return static_cast<int>(SendMessage(msg, wp, reinterpret_cast<LPARAM>(text ? text : "")));
    }
};

// Data exchange between a dialog's members and its controls (DoDataExchange), with range checks.
// Include as "framework/data_exchange.h".
//
//   void CMyDlg::DoDataExchange(CDataExchange* pDX)
//   {
//       DDX_Control(pDX, IDC_FILES, m_listFiles);
//       DDX_Text(pDX, IDC_DELAY, m_nRepeatDelay);
//       DDV_MinMaxUInt(pDX, m_nRepeatDelay, 0, 300000);
//       DDX_Radio(pDX, IDC_ASCII, m_bHexMode);
//   }
//
// After a refused value the remaining calls do nothing and UpdateData returns false. A DDV_ check that
// fails puts the member back to what it held before the DDX_Text just above it, so a refused value is
// never stored, shows its message through ShowMessageBox and gives the control the focus.
#pragma once

#include <windows.h>

#include <functional>

#include "framework/string.h"
#include "framework/window.h"

class CDialog;

class CDataExchange {
public:
    CDataExchange(CDialog* dlg, bool saveAndValidate) : m_pDlgWnd(dlg), m_bSaveAndValidate(saveAndValidate) {}

    // The control the next exchange works on; remembered for the focus after a refusal.
    HWND PrepareControl(int id);
    // Refuses the exchange: shows the text (through the message sink), focuses the last control and
    // undoes the member change of the last DDX_Text.
    void Fail(const char* message);
    bool Failed() const { return m_failed; }
    HWND LastControl() const { return m_lastControl; }
    void SetUndo(std::function<void()> undo) { m_undo = std::move(undo); }

    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;

private:
    bool m_failed = false;
    HWND m_lastControl = nullptr;
    std::function<void()> m_undo;
};

void DDX_Text(CDataExchange* pDX, int id, CString& value);
void DDX_Text(CDataExchange* pDX, int id, int& value);
void DDX_Text(CDataExchange* pDX, int id, unsigned int& value);
void DDX_Text(CDataExchange* pDX, int id, unsigned long& value); // DWORD

void DDV_MinMaxInt(CDataExchange* pDX, int& value, int minVal, int maxVal);
void DDV_MinMaxUInt(CDataExchange* pDX, unsigned int& value, unsigned int minVal, unsigned int maxVal);
void DDV_MinMaxDWord(CDataExchange* pDX, unsigned long& value, unsigned long minVal, unsigned long maxVal);
void DDV_MaxChars(CDataExchange* pDX, CString& value, int maxChars);

// Radio group starting at firstId (the group runs to the next WS_GROUP control): the index of the
// checked button, -1 when none is.
void DDX_Radio(CDataExchange* pDX, int firstId, int& index);
// Check box state: 0 clear, 1 checked, 2 indeterminate.
void DDX_Check(CDataExchange* pDX, int id, int& state);
// Combo box selection position (-1 none).
void DDX_CBIndex(CDataExchange* pDX, int id, int& index);
// Combo box text: the edit text (or the selected item of a drop list). Loading selects the item
// that matches exactly, if any, and shows the member's text as it is.
void DDX_CBString(CDataExchange* pDX, int id, CString& value);
// Binds a control wrapper to its window (once).
void DDX_Control(CDataExchange* pDX, int id, CWindow& control);

// The DDX_/DDV_ exchanges: text, numbers, radio groups, check boxes, combo boxes and control binding.
#include "framework/data_exchange.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "framework/dialog.h"
#include "framework/message_box.h"

HWND CDataExchange::PrepareControl(int id)
{
    m_lastControl = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
    m_undo = nullptr; // an undo belongs to the exchange just before the check
    return m_lastControl;
}

void CDataExchange::Fail(const char* message)
{
    if (m_failed)
        return;
    m_failed = true;
    if (m_undo)
        m_undo();
    m_undo = nullptr;
    // The box is the user's to answer: notifications while it shows are not ours to drop.
    bool was = m_pDlgWnd->m_exchanging;
    m_pDlgWnd->m_exchanging = false;
    if (message)
        ShowMessageBox(m_pDlgWnd->m_hWnd, message, nullptr, MB_OK | MB_ICONEXCLAMATION);
    m_pDlgWnd->m_exchanging = was;
    if (m_lastControl) {
        ::SetFocus(m_lastControl);
        if (::SendMessageA(m_lastControl, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
            ::SendMessageA(m_lastControl, EM_SETSEL, 0, -1);
    }
}

namespace {

// Parses a whole number with optional sign and surrounding blanks; false for anything else or overflow.
bool ParseSigned(const CString& text, long long& out)
{
    CString t(text);
    t.Trim();
    if (t.IsEmpty())
        return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtoll(t.c_str(), &end, 10);
    return errno == 0 && end && *end == '\0';
}

template <typename T>
void ExchangeNumber(CDataExchange* pDX, int id, T& value, long long minAllowed, long long maxAllowed,
                    const char* fmt, const char* refusal)
{
    if (pDX->Failed())
        return;
    HWND ctl = pDX->PrepareControl(id);
    if (!pDX->m_bSaveAndValidate) {
        CString text;
        text.Format(fmt, value);
        ::SetWindowTextA(ctl, text);
        return;
    }
    T old = value;
    pDX->SetUndo([&value, old] { value = old; });
    long long parsed = 0;
    if (!ParseSigned(CWindow(ctl).GetWindowText(), parsed) || parsed < minAllowed || parsed > maxAllowed) {
        pDX->Fail(refusal);
        return;
    }
    value = static_cast<T>(parsed);
}

template <typename T>
void CheckRange(CDataExchange* pDX, T& value, T minVal, T maxVal, const char* fmt)
{
    if (!pDX->m_bSaveAndValidate || pDX->Failed())
        return;
    if (value < minVal || value > maxVal) {
        CString text;
        text.Format(fmt, minVal, maxVal);
        pDX->Fail(text);
    }
}

} // namespace

void DDX_Text(CDataExchange* pDX, int id, CString& value)
{
    if (pDX->Failed())
        return;
    HWND ctl = pDX->PrepareControl(id);
    if (pDX->m_bSaveAndValidate) {
        CString old = value;
        pDX->SetUndo([&value, old] { value = old; });
        value = CWindow(ctl).GetWindowText();
    } else {
        ::SetWindowTextA(ctl, value);
    }
}

void DDX_Text(CDataExchange* pDX, int id, int& value)
{
    // The integer-entry check's own string-table text.
    ExchangeNumber(pDX, id, value, INT_MIN, INT_MAX, "%d", "Tapez un nombre entier.");
}

void DDX_Text(CDataExchange* pDX, int id, unsigned int& value)
{
    ExchangeNumber(pDX, id, value, 0, UINT_MAX, "%u", "Please enter a positive integer.");
}

void DDX_Text(CDataExchange* pDX, int id, unsigned long& value)
{
    ExchangeNumber(pDX, id, value, 0, ULONG_MAX, "%lu", "Please enter a positive integer.");
}

void DDV_MinMaxInt(CDataExchange* pDX, int& value, int minVal, int maxVal)
{
    CheckRange(pDX, value, minVal, maxVal, "Please enter an integer between %d and %d.");
}

void DDV_MinMaxUInt(CDataExchange* pDX, unsigned int& value, unsigned int minVal, unsigned int maxVal)
{
    CheckRange(pDX, value, minVal, maxVal, "Please enter an integer between %u and %u.");
}

void DDV_MinMaxDWord(CDataExchange* pDX, unsigned long& value, unsigned long minVal, unsigned long maxVal)
{
    CheckRange(pDX, value, minVal, maxVal, "Please enter an integer between %lu and %lu.");
}

void DDV_MaxChars(CDataExchange* pDX, CString& value, int maxChars)
{
    if (pDX->Failed())
        return;
    if (!pDX->m_bSaveAndValidate) {
        // The edit itself refuses longer input from then on.
        if (pDX->LastControl())
            ::SendMessageA(pDX->LastControl(), EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
        return;
    }
    if (value.GetLength() > maxChars) {
        CString text;
        text.Format("Enter no more than %d characters.", maxChars);
        pDX->Fail(text);
    }
}

void DDX_Radio(CDataExchange* pDX, int firstId, int& index)
{
    if (pDX->Failed())
        return;
    HWND first = pDX->PrepareControl(firstId);
    if (pDX->m_bSaveAndValidate)
        index = -1;
    int i = 0; // counts the radio buttons only
    for (HWND h = first; h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        if (h != first && (::GetWindowLongPtrA(h, GWL_STYLE) & WS_GROUP))
            break;
        if (!(::SendMessageA(h, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON))
            continue;
        if (pDX->m_bSaveAndValidate) {
            if (::SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED)
                index = i;
        } else {
            ::SendMessageA(h, BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++i;
    }
}

void DDX_Check(CDataExchange* pDX, int id, int& state)
{
    if (pDX->Failed())
        return;
    HWND ctl = pDX->PrepareControl(id);
    if (pDX->m_bSaveAndValidate)
        state = static_cast<int>(::SendMessageA(ctl, BM_GETCHECK, 0, 0));
    else
        ::SendMessageA(ctl, BM_SETCHECK, state == 1 ? BST_CHECKED : state == 2 ? BST_INDETERMINATE : BST_UNCHECKED, 0);
}

void DDX_CBIndex(CDataExchange* pDX, int id, int& index)
{
    if (pDX->Failed())
        return;
    HWND ctl = pDX->PrepareControl(id);
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageA(ctl, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageA(ctl, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_CBString(CDataExchange* pDX, int id, CString& value)
{
    if (pDX->Failed())
        return;
    HWND ctl = pDX->PrepareControl(id);
    const bool dropList = (::GetWindowLongPtrA(ctl, GWL_STYLE) & 3) == CBS_DROPDOWNLIST;
    if (pDX->m_bSaveAndValidate) {
        CString old = value;
        pDX->SetUndo([&value, old] { value = old; });
        value = CWindow(ctl).GetWindowText();
        return;
    }
    // The first item that begins with the text, in any case.
    LRESULT found = ::SendMessageA(ctl, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(value.c_str()));
    ::SendMessageA(ctl, CB_SETCURSEL, found == CB_ERR ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(found), 0);
    if (!dropList)
        ::SetWindowTextA(ctl, value); // the text as the member holds it, whatever case the item has
}

void DDX_Control(CDataExchange* pDX, int id, CWindow& control)
{
    if (pDX->Failed() || control.m_hWnd)
        return;
    HWND ctl = pDX->PrepareControl(id);
    if (!ctl) {
        CString text;
        text.Format("Dialog control %d is missing.", id);
        pDX->Fail(text);
        return;
    }
    control.Attach(ctl);
}

// CPortListPageDlg: the port list of the serial and parallel pages.
#include "port_list_page_dlg.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/port_order.h"
#include "dorvane/dorvane.h"
#include "kestrix_dlg.h"
#include "port_limits.h"

static_assert(kPortNameRows == static_cast<int>(kMaxPortRows), "a page holds as many names as its stored position may index");

int RowsFilled(int count)
{
    return count < 0 ? 0 : (count > kPortNameRows ? kPortNameRows : count);
}

std::vector<std::string> PortNames(const PortNameRows& rows, int count)
{
    std::vector<std::string> names;
    for (int k = 0; k < RowsFilled(count); ++k)
        names.emplace_back(rows[k], strnlen(rows[k], kPortNameChars));
    return names;
}

CPortListPageDlg::CPortListPageDlg(UINT templateId, int iface, std::span<const TipRow> tips, const char* prefix,
                                   int portComboId)
    : CPortPageDlg(templateId, iface, tips), m_pszPrefix(prefix), m_nPortComboId(portComboId)
{
}

BOOL CPortListPageDlg::PreTranslateMessage(MSG* msg)
{
    // Neither key may close the page.
    return IsEnterOrEscape(msg) ? TRUE : FALSE;
}

void CPortListPageDlg::OnDropdownPort()
{
    if (!IsChosenInterface())
        return;
    int usm = 0;
    int realTime = 0;
    int count = kPortNameRows;  // on entry: the rows m_szPortNames holds
    if (!Comm_GetPortParams(usm, realTime, m_pszPrefix, count, m_szPortNames))
        return;
    m_nPortCount = RowsFilled(count);
    FillPortCombo();
}

void CPortListPageDlg::OnSelchangePort()
{
    UpdateData(TRUE);
    if (IsChosenInterface())
        MainDialog()->ConnectPort(1);
}

void CPortListPageDlg::FillPortCombo()
{
    UpdateData(TRUE);  // the selected position, to be selected again in the new list
    const std::vector<std::string> names = PortNames(m_szPortNames, m_nPortCount);
    CComboBox combo(::GetDlgItem(m_hWnd, m_nPortComboId));
    combo.ResetContent();
    for (const std::string& name : OrderPortNames(names))
        combo.AddString(name.c_str());
    // A position beyond the shorter list selects nothing; the next take then stores -1.
    UpdateData(FALSE);
}

void CPortListPageDlg::FillInitialItems(int comboId, std::span<const char* const> items)
{
    CComboBox combo(::GetDlgItem(m_hWnd, comboId));
    combo.ResetContent();
    for (const char* item : items)
        combo.AddString(item);
}

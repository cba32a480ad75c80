// CPortListPageDlg: a port settings page whose port list is asked of the base communication
// library ("COM" or "LPT" names) and shown in the numeric order of the port numbers; the serial
// and parallel pages are built on it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/combo_box.h"

#include "port_page_dlg.h"

// Room of one port or device name as the base communication library writes it, and the names a
// page holds (kMaxPortRows of the settings).
constexpr int kPortNameChars = 128;
constexpr int kPortNameRows = 50;
using PortNameRows = char[kPortNameRows][kPortNameChars];

// The rows a listing filled, held to the rows there are (whatever count the library answered).
int RowsFilled(int count);
// The first count names of rows, each read up to its terminator or the end of its row.
std::vector<std::string> PortNames(const PortNameRows& rows, int count);

class CPortListPageDlg : public CPortPageDlg {
public:
    // prefix: "COM" or "LPT"; portComboId: the page's port list.
    CPortListPageDlg(UINT templateId, int iface, std::span<const TipRow> tips, const char* prefix, int portComboId);

    BOOL PreTranslateMessage(MSG* msg) override;

    // Refreshes the port names from the base library, only while this page's interface is the
    // chosen one; the list keeps its items when the library has none to give.
    void OnDropdownPort();
    // Takes the values and, while this page's interface is chosen, reopens the port with them.
    void OnSelchangePort();
    // Rebuilds the port list from m_szPortNames, keeping the selected position.
    void FillPortCombo();

    int m_nPortCount = 0;
    PortNameRows m_szPortNames = {};
    CComboBox m_cbPort;

protected:
    // The initial items of a list, position 0 first.
    void FillInitialItems(int comboId, std::span<const char* const> items);

private:
    const char* m_pszPrefix;
    int m_nPortComboId;
};

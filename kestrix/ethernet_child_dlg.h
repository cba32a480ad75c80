// CEthernetChildDlg: the Ethernet settings page inside the main window: the printer's address and
// MAC, the output channel, the main, real-time and USM TCP ports, reconnection and Setup.
#pragma once
#include <windows.h>

#include "framework/ip_address.h"
#include "framework/string.h"

#include "core/field_bounds.h"
#include "port_page_dlg.h"
#include "res/resource.h"

// Longest MAC address text the page shows.
constexpr int kMacAddressChars = 50;

class CEthernetChildDlg : public CPortPageDlg {
public:
    CEthernetChildDlg();

    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* msg) override;

    void OnFieldChangedIpAddress(NMHDR* pNMHDR, LRESULT* pResult);
    // Typing in a port edit: the values are taken and, while Ethernet is chosen, the transfer
    // controls stay grey until the connection is made again with the new port (Enter).
    void OnChangePort();
    void OnChangeChannelPort();
    void OnSetup();

    DWORD m_dwIpAddress = 0;   // "Ethernet IP Address", first octet in the high byte
    CIpAddress m_ipAddress;
    CString m_strMacAddress;   // filled by the connection, at most kMacAddressChars
    int m_nOutChannel = -1;    // 0 main port, 1 real time (not stored)
    int m_bAutoReconnect = 0;  // "Reconnect Mode"
    int m_nRealTimePort = 0;   // "Real Time Ethernet Port"
    int m_nUsmPort = 0;        // "USM Ethernet Port"
    int m_nMainPort = 0;       // "Ethernet Port"
};

// CEthernetChildDlg: the Ethernet settings page inside the main window (address, ports, channel).
// Its controls and handlers come with the page's own work; start-up loads and saves these members.
#pragma once
#include <windows.h>

#include "framework/dialog.h"
#include "framework/string.h"

#include "res/resource.h"

class CEthernetChildDlg : public CDialog {
public:
    explicit CEthernetChildDlg(HWND parent = nullptr) : CDialog(IDD_ETHERNET_CHILD, parent) {}

    DWORD m_dwIpAddress = 0;   // "Ethernet IP Address", first octet in the high byte
    CString m_strMacAddress;
    int m_nOutChannel = -1;    // 0 main port, 1 real time (not stored)
    int m_bAutoReconnect = 0;  // "Reconnect Mode"
    int m_nRealTimePort = 0;   // "Real Time Ethernet Port"
    int m_nUsmPort = 0;        // "USM Ethernet Port"
    int m_nMainPort = 0;       // "Ethernet Port"
};

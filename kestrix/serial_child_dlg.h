// CSerialChildDlg: the serial settings page inside the main window (port, line settings, line LEDs).
// Its controls and handlers come with the page's own work; start-up loads and saves these members.
#pragma once
#include <windows.h>

#include "framework/dialog.h"
#include "framework/string.h"

#include "res/resource.h"

class CSerialChildDlg : public CDialog {
public:
    explicit CSerialChildDlg(HWND parent = nullptr) : CDialog(IDD_SERIAL_CHILD, parent) {}

    int m_nPort = -1;         // "Serial Port Id": row of the port list
    int m_nBaudRate = -1;     // "Baud Rate"
    int m_nParity = -1;       // "Parity"
    int m_nDataBits = -1;     // "Data Bits"
    int m_nStopBits = -1;     // "Stop Bits"
    int m_nFlowControl = -1;  // "Flow Control"
};

// CSerialChildDlg: the serial settings page inside the main window: port, baud rate, parity,
// data bits, stop bits, flow control, and the five line-status LEDs the main dialog sets.
#pragma once
#include <windows.h>

#include "framework/static.h"

#include "led.h"
#include "port_list_page_dlg.h"
#include "res/resource.h"

// The serial line LEDs, made by the serial page and set by the main dialog's status display.
extern CLed* g_pLedDsr;
extern CLed* g_pLedCts;
extern CLed* g_pLedRing;
extern CLed* g_pLedDcd;
extern CLed* g_pLedXonXoff;

class CSerialChildDlg : public CPortListPageDlg {
public:
    CSerialChildDlg();
    ~CSerialChildDlg() override;

    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    CComboBox m_cbParity;
    CComboBox m_cbFlowControl;
    CStatic m_stXonXoff;
    CStatic m_stDcd;
    CStatic m_stRing;
    CStatic m_stDsr;
    CStatic m_stCts;
    // Positions in the lists (stored as such), -1 for none.
    int m_nPort = -1;         // "Serial Port Id"
    int m_nBaudRate = -1;     // "Baud Rate"
    int m_nParity = -1;       // "Parity"
    int m_nDataBits = -1;     // "Data Bits"
    int m_nStopBits = -1;     // "Stop Bits"
    int m_nFlowControl = -1;  // "Flow Control"
};

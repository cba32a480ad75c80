// CUsbChildDlg: the USB settings page inside the main window: the device, its output channel,
// status monitoring with the ERROR and P OUT LEDs, Info and Setup Driver.
#pragma once
#include <windows.h>

#include "framework/combo_box.h"
#include "framework/static.h"
#include "framework/string.h"

#include "led.h"
#include "port_list_page_dlg.h"
#include "res/resource.h"

// The USB status LEDs, made by the USB page and set by the main dialog's status display.
extern CLed* g_pLedUsbError;
extern CLed* g_pLedPaperOut;

class CUsbChildDlg : public CPortPageDlg {
public:
    CUsbChildDlg();
    ~CUsbChildDlg() override;

    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnInitDialog() override;

    // Refreshes the device list from the base library while USB is the chosen interface; the
    // device's USM and real-time flags go to the main dialog.
    void OnDropdownDevice();
    // Rebuilds the device list from m_szPortNames; selected is the main dialog's device position.
    void FillDeviceCombo(int selected);
    void OnSelchangeDevice();
    void OnSetupDriver();
    void OnMonitor();

    int m_nPortCount = 0;
    PortNameRows m_szPortNames = {};
    CStatic m_stPaperOut;
    CStatic m_stError;
    CComboBox m_cbDevice;
    CString m_strDevice;     // the chosen device as the list shows it
    int m_nOutChannel = -1;  // "USB Out Endpoint": 0 normal, 1 real time
    int m_bMonitor = 0;      // "Check Status Mode"
};

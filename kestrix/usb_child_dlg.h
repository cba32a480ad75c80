// CUsbChildDlg: the USB settings page inside the main window (device, output channel, status).
// Its controls and handlers come with the page's own work; start-up loads and saves these members.
#pragma once
#include <windows.h>

#include "framework/dialog.h"
#include "framework/string.h"

#include "res/resource.h"

class CUsbChildDlg : public CDialog {
public:
    explicit CUsbChildDlg(HWND parent = nullptr) : CDialog(IDD_USB_CHILD, parent) {}

    CString m_strDevice;
    int m_nOutChannel = -1;  // "USB Out Endpoint": 0 normal, 1 real time
    int m_bMonitor = 0;      // "Check Status Mode"
};

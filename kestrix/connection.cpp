// Connection management of the main dialog: the interface radios, ConnectPort, the port pages'
// display and the USB arrival and removal notifications. Still to be built: until then no port
// is opened and ConnectPort reports failure.
#include "kestrix_dlg.h"

int CKestrixDlg::ConnectPort(int)
{
    return 0;
}

void CKestrixDlg::ShowInterfaceControls(int) {}

BOOL CKestrixDlg::RegisterUsbNotification()
{
    return FALSE;  // not registered: USB arrivals are not followed yet
}

BOOL CKestrixDlg::UnregisterUsbNotification()
{
    return TRUE;  // nothing registered
}

void CKestrixDlg::OnSelectSerial() {}
void CKestrixDlg::OnSelectUsb() {}
void CKestrixDlg::OnSelectParallel() {}
void CKestrixDlg::OnSelectEthernet() {}

LRESULT CKestrixDlg::OnDeviceChange(WPARAM, LPARAM)
{
    return 0;
}

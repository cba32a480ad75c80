// CIpAddress: the IP address control; addresses as host-order DWORDs (first field in the high byte).
// Include as "framework/ip_address.h".
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/window.h"

class CIpAddress : public CWindow {
public:
    using CWindow::CWindow;
    void SetAddress(DWORD address) { SendMessage(IPM_SETADDRESS, 0, static_cast<LPARAM>(address)); }
    void SetAddress(BYTE f0, BYTE f1, BYTE f2, BYTE f3) { SetAddress(MAKEIPADDRESS(f0, f1, f2, f3)); }
    // Returns the number of non-blank fields; address gets the value (blank fields as 0).
    int GetAddress(DWORD& address) const
    {
        address = 0;
        return static_cast<int>(SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)));
    }
    void ClearAddress() { SendMessage(IPM_CLEARADDRESS); }
    bool IsBlank() const { return SendMessage(IPM_ISBLANK) != 0; }
};

// CSetupEthDevDlg: the "Setup Devices" dialog: finds the printers on the local network through the
// open Ethernet transport, lists them, and gives the selected one a new address or name, or reboots it.
#pragma once
#include <windows.h>

#include <vector>

#include "framework/edit.h"
#include "framework/ip_address.h"
#include "framework/list_view.h"
#include "framework/string.h"

#include "setup_dlg.h"

// Rows the dialog gives the discovery room for (it returns at most 250).
constexpr int kSetupDeviceRows = 255;
// Characters kept of each field of a device row.
constexpr std::size_t kDeviceFieldChars = 29;
// Wait after an address change, while the device restarts on its new address.
constexpr DWORD kAddressChangeRebootMs = 3000;

extern const TipRow kSetupEthDevTips[7];

class CSetupEthDevDlg : public CSetupDlg {
public:
    explicit CSetupEthDevDlg(HWND parent = nullptr);

    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnInitDialog() override;

    // Discovery and list refill; bClear (when the discovery call succeeded) also empties the
    // selection and disables the controls that act on it.
    void SearchDevices(BOOL bClear);
    BOOL LoadCatalogue();

    void OnSearch();
    void OnClickDeviceList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnReboot();
    void OnUpdate();

    CString m_strIpAddress;    // the selected device's address as listed (then the new one once sent)
    CString m_strMacAddress;   // "%02X-%02X-%02X-%02X-%02X-%02X"
    CString m_strOldName;      // the name as selected, to see whether it was changed
    CIpAddress m_ctrlIpAddress;
    CListView m_listDevices;
    CString m_strDeviceName;   // at most kDeviceNameChars

private:
    void EnableSelectionControls(bool enable);
    // Sends one command; false when the device did not confirm it.
    static bool SendDeviceCommand(std::vector<unsigned char> command);
    // The focused control of this dialog (the address control for any of its fields); 0 for none.
    int FocusedControlId() const;
};

// CSetupUsbDriver: the "Setup USB Driver" dialog: the USB devices present with the driver serving
// each; Force installs the maker's driver for the selected device from a per-device copy of the INF
// template, Restore puts back the first compatible driver the platform lists for it.
#pragma once
#include <windows.h>

#include "framework/list_view.h"
#include "framework/string.h"

#include "setup_dlg.h"

// Rows EnumUsbDevices produces at most, and the room of one row (terminator included).
constexpr int kMaxUsbDeviceRows = 127;
constexpr int kUsbDeviceRowChars = 256;
typedef char UsbDeviceRow[kUsbDeviceRowChars];
// Characters kept of each field of a row when it is listed.
constexpr std::size_t kUsbFieldChars = 199;

extern const TipRow kSetupUsbDriverTips[5];

class CSetupUsbDriver : public CSetupDlg {
public:
    explicit CSetupUsbDriver(HWND parent = nullptr);

    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    // One row per USB device present ("\tlocation\tdescription\tVID\tPID\tserial\tdriver\tversion\t"),
    // at most kMaxUsbDeviceRows, into rows; FALSE only when the device list cannot be had.
    BOOL EnumUsbDevices(int& count, UsbDeviceRow* rows);
    // Writes the device copy of folder\custom.inf with the device's ids. 1 when the copy was written,
    // else 0 with the system's error in GetLastError.
    int MakeCustomInf(const CString& folder, const CString& copy, const CString& vid, const CString& pid);
    // Installs the first compatible driver of the present device of hardwareId. FALSE when the
    // device list cannot be had, the device cannot be selected or its driver cannot be read;
    // TRUE otherwise, also when no present device has that hardware id.
    BOOL InstallDefaultDriver(const CString& hardwareId);
    BOOL LoadCatalogue();

    void OnRefresh();
    void OnForceDriver();
    void OnClickDeviceList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnRestoreDefaultDriver();

    CListView m_listDevices;
    // The library that installs drivers, loaded by name at each use.
    CString m_strInstallerDll = "Newdev.dll";

private:
    enum class Install { NotLoaded, NoFunction, Failed, Done };
    // Loads the installer and installs inf for the devices of hardwareId (forced). NotLoaded and
    // NoFunction have shown errors 46 and 47; Failed has logged the system error.
    Install InstallDriver(const CString& hardwareId, const CString& inf);
    // "USB\VID_vvvv&PID_pppp" of the item under the selection mark; false when there is none.
    bool SelectedHardwareId(CString& hardwareId, CString& vid, CString& pid) const;
};

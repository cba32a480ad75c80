// CSetupUsbDriver: the dialog's list, its buttons and what they start.
#include "setup_usb_driver.h"

#include <commctrl.h>

#include <vector>

#include "framework/data_exchange.h"

#include "core/custom_inf.h"
#include "core/device_row.h"
#include "core/usb_instance_id.h"
#include "error_report.h"
#include "res/resource.h"
#include "wait_cursor.h"

const TipRow kSetupUsbDriverTips[5] = {
    {IDC_REFRESH_USB_DEVICES, 69}, {IDC_USB_DEVICE_LIST, 70}, {IDC_FORCE_DRIVER, 71}, {IDC_RESTORE_DRIVER, 72},
    {IDOK, 73},
};

namespace {

constexpr int kVidColumn = 2;
constexpr int kPidColumn = 3;
constexpr int kColumnCount = 7;

struct Column {
    const char* heading;
    int width;
};
const Column kColumns[kColumnCount] = {
    {"Device Name", 120}, {"Description", 240}, {"VID", 40}, {"PID", 40},
    {"Serial Number", 100}, {"Driver Name", 90}, {"Driver Version", 160},
};

// In the order the captions are set; the window title (caption 76) goes first.
const CaptionRow kSetupUsbDriverCaptions[] = {
    {IDC_REFRESH_USB_DEVICES, 77},
    {IDC_FORCE_DRIVER, 85},
    {IDC_RESTORE_DRIVER, 86},
    {IDC_USB_DEVICE_LIST, 78, 0},
    {IDC_USB_DEVICE_LIST, 79, 1},
    {IDC_USB_DEVICE_LIST, 80, 2},
    {IDC_USB_DEVICE_LIST, 81, 3},
    {IDC_USB_DEVICE_LIST, 82, 4},
    {IDC_USB_DEVICE_LIST, 83, 5},
    {IDC_USB_DEVICE_LIST, 84, 6},
};
constexpr int kTitleCaption = 76;

// The folder of the program file, up to its last backslash.
CString ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    CString folder(path, static_cast<int>(length < MAX_PATH ? length : MAX_PATH - 1));
    const int slash = folder.ReverseFind('\\');
    return slash >= 0 ? folder.Left(slash) : CString();
}

} // namespace

CSetupUsbDriver::CSetupUsbDriver(HWND parent) : CSetupDlg(IDD_SETUP_USB_DRIVER, parent, kSetupUsbDriverTips) {}

const MessageMap* CSetupUsbDriver::GetMessageMap() const
{
    static const MessageMapEntry entries[] = {
        MapClicked(IDC_REFRESH_USB_DEVICES, &CSetupUsbDriver::OnRefresh),
        MapClicked(IDC_FORCE_DRIVER, &CSetupUsbDriver::OnForceDriver),
        MapNotify(IDC_USB_DEVICE_LIST, NM_CLICK, &CSetupUsbDriver::OnClickDeviceList),
        MapClicked(IDC_RESTORE_DRIVER, &CSetupUsbDriver::OnRestoreDefaultDriver),
    };
    static const MessageMap map{entries, CSetupDlg::GetMessageMap()};
    return &map;
}

void CSetupUsbDriver::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_USB_DEVICE_LIST, m_listDevices);
}

BOOL CSetupUsbDriver::OnInitDialog()
{
    CDialog::OnInitDialog();
    for (int i = 0; i < kColumnCount; ++i)
        m_listDevices.InsertColumn(i, kColumns[i].heading, LVCFMT_LEFT, kColumns[i].width);
    GetDlgItem(IDC_FORCE_DRIVER).EnableWindow(false);
    GetDlgItem(IDC_RESTORE_DRIVER).EnableWindow(false);
    m_listDevices.SetExtendedStyle(m_listDevices.GetExtendedStyle() | LVS_EX_FULLROWSELECT);
    LoadCatalogue();
    OnRefresh();
    return TRUE;
}

BOOL CSetupUsbDriver::LoadCatalogue()
{
    return BindCatalogueTexts(kTitleCaption, kSetupUsbDriverCaptions);
}

void CSetupUsbDriver::OnRefresh()
{
    CWaitCursor wait;
    m_listDevices.DeleteAllItems();
    UpdateData(FALSE);

    std::vector<UsbDeviceRow> rows(kMaxUsbDeviceRows);
    int count = 0;
    if (!EnumUsbDevices(count, rows.data()))
        return;
    for (int i = 0; i < count; ++i) {
        const std::vector<std::string> fields = SplitRowFields(rows[i], kUsbFieldChars);
        if (fields.empty())
            continue;
        // Each row goes in at the top: the last device enumerated shows first.
        const int item = m_listDevices.InsertItem(0, fields[0].c_str());
        if (item < 0)
            continue;
        for (int column = 1; column < kColumnCount && column < static_cast<int>(fields.size()); ++column)
            m_listDevices.SetItemText(item, column, fields[column].c_str());
    }
    UpdateData(FALSE);
}

void CSetupUsbDriver::OnClickDeviceList(NMHDR*, LRESULT* pResult)
{
    *pResult = 0;
    UpdateData(TRUE);
    if (m_listDevices.GetSelectionMark() == -1)
        return;
    // Once a device was chosen the buttons stay usable; they act on the selection mark of the moment.
    GetDlgItem(IDC_FORCE_DRIVER).EnableWindow(true);
    GetDlgItem(IDC_RESTORE_DRIVER).EnableWindow(true);
    UpdateData(FALSE);
}

bool CSetupUsbDriver::SelectedHardwareId(CString& hardwareId, CString& vid, CString& pid) const
{
    const int item = m_listDevices.GetSelectionMark();
    if (item == -1)
        return false;
    vid = m_listDevices.GetItemText(item, kVidColumn);
    pid = m_listDevices.GetItemText(item, kPidColumn);
    hardwareId = UsbHardwareId(vid.str(), pid.str()).c_str();
    return true;
}

void CSetupUsbDriver::OnForceDriver()
{
    CString hardwareId, vid, pid;
    if (!SelectedHardwareId(hardwareId, vid, pid))
        return;
    const CString folder = ProgramFolder() + "\\USB Driver";
    const CString copy = folder + "\\" + CString(CustomInfFileName(vid.str(), pid.str()));
    if (MakeCustomInf(folder, copy, vid, pid) != 1) {
        LogSystemError(::GetLastError());
        return;
    }
    // Errors 46 and 47 end it here; a failed installation is logged and the list shows the result.
    const Install result = InstallDriver(hardwareId, copy);
    if (result == Install::NotLoaded || result == Install::NoFunction)
        return;
    OnRefresh();
}

void CSetupUsbDriver::OnRestoreDefaultDriver()
{
    CString hardwareId, vid, pid;
    if (!SelectedHardwareId(hardwareId, vid, pid))
        return;
    InstallDefaultDriver(hardwareId);
    OnRefresh();
}

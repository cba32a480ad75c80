// CSetupEthDevDlg: discovery, the device list and the device commands of the Ethernet set-up.
// Windows Sockets before any windows.h, for inet_addr.
#include <winsock2.h>

#include "setup_eth_dev_dlg.h"

#include <commctrl.h>

#include <vector>

#include "framework/data_exchange.h"
#include "framework/message_box.h"

#include "core/device_command.h"
#include "core/device_row.h"
#include "core/text_convert.h"
#include "dorvane/dorvane.h"
#include "error_report.h"
#include "res/resource.h"
#include "wait_cursor.h"

const TipRow kSetupEthDevTips[7] = {
    {IDC_SEARCH_DEVICES, 60}, {IDC_DEVICE_LIST, 61}, {IDC_NEW_IP_ADDRESS, 62}, {IDC_NEW_DEVICE_NAME, 63},
    {IDC_UPDATE_DEVICE, 64},  {IDC_REBOOT_DEVICE, 65}, {IDOK, 66},
};

namespace {

// The device row's fields: address, MAC, name.
constexpr std::size_t kIpField = 0;
constexpr std::size_t kMacField = 1;
constexpr std::size_t kNameField = 2;
// List columns.
constexpr int kIpColumn = 0;
constexpr int kNameColumn = 1;
constexpr int kMacColumn = 2;

// In the order the captions are set; the window title (caption 64) goes first.
const CaptionRow kSetupEthDevCaptions[] = {
    {IDC_SEARCH_DEVICES, 65},
    {IDC_SELECTED_DEVICE_GROUP, 69},
    {IDC_NEW_IP_LABEL, 70},
    {IDC_NEW_NAME_LABEL, 71},
    {IDC_UPDATE_DEVICE, 72},
    {IDC_REBOOT_DEVICE, 73},
    {IDC_DEVICE_LIST, 66, kIpColumn},
    {IDC_DEVICE_LIST, 67, kNameColumn},
    {IDC_DEVICE_LIST, 68, kMacColumn},
};
constexpr int kTitleCaption = 64;

const int kSelectionControls[] = {IDC_UPDATE_DEVICE, IDC_NEW_IP_ADDRESS, IDC_NEW_DEVICE_NAME, IDC_REBOOT_DEVICE};

DWORD AddressOf(const IpOctets& ip)
{
    return MAKEIPADDRESS(ip[0], ip[1], ip[2], ip[3]);
}

// ParseMacAddress of the text into command bytes; false for an empty text.
bool ParseMac(const CString& text, MacBytes& mac)
{
    int values[6] = {};
    if (!ParseMacAddress(text.str(), values))
        return false;
    mac = MacBytesOf(values);
    return true;
}

bool ParseIp(const CString& text, IpOctets& ip)
{
    return IpStringToBytes(text.str(), ip.data(), 0) != 0;
}

} // namespace

CSetupEthDevDlg::CSetupEthDevDlg(HWND parent) : CSetupDlg(IDD_SETUP_ETH_DEV, parent, kSetupEthDevTips) {}

const MessageMap* CSetupEthDevDlg::GetMessageMap() const
{
    static const MessageMapEntry entries[] = {
        MapClicked(IDC_SEARCH_DEVICES, &CSetupEthDevDlg::OnSearch),
        MapNotify(IDC_DEVICE_LIST, NM_CLICK, &CSetupEthDevDlg::OnClickDeviceList),
        MapClicked(IDC_REBOOT_DEVICE, &CSetupEthDevDlg::OnReboot),
        MapClicked(IDC_UPDATE_DEVICE, &CSetupEthDevDlg::OnUpdate),
    };
    static const MessageMap map{entries, CSetupDlg::GetMessageMap()};
    return &map;
}

void CSetupEthDevDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_NEW_IP_ADDRESS, m_ctrlIpAddress);
    DDX_Control(pDX, IDC_DEVICE_LIST, m_listDevices);
    DDX_Text(pDX, IDC_NEW_DEVICE_NAME, m_strDeviceName);
    DDV_MaxChars(pDX, m_strDeviceName, static_cast<int>(kDeviceNameChars));
}

BOOL CSetupEthDevDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_listDevices.InsertColumn(kIpColumn, "IP Address", LVCFMT_LEFT, 110);
    m_listDevices.InsertColumn(kNameColumn, "Device Name", LVCFMT_RIGHT, 105);
    m_listDevices.InsertColumn(kMacColumn, "MAC Address", LVCFMT_RIGHT, 117);
    EnableSelectionControls(false);
    m_listDevices.SetExtendedStyle(m_listDevices.GetExtendedStyle() | LVS_EX_FULLROWSELECT);
    LoadCatalogue();
    return TRUE;
}

BOOL CSetupEthDevDlg::LoadCatalogue()
{
    return BindCatalogueTexts(kTitleCaption, kSetupEthDevCaptions);
}

int CSetupEthDevDlg::FocusedControlId() const
{
    HWND focus = ::GetFocus();
    // Climb to the dialog's own child: the fields of the address control count as that control.
    while (focus && focus != m_hWnd) {
        HWND parent = ::GetParent(focus);
        if (parent == m_hWnd)
            return ::GetDlgCtrlID(focus);
        focus = parent;
    }
    return 0;
}

BOOL CSetupEthDevDlg::PreTranslateMessage(MSG* msg)
{
    if (!msg || msg->message != WM_KEYDOWN || !IsWindow())
        return FALSE;
    if (msg->wParam != VK_RETURN && msg->wParam != VK_ESCAPE)
        return FALSE;
    // Neither key may close the dialog; Enter starts what the focused control is for.
    if (msg->wParam == VK_RETURN) {
        const int id = FocusedControlId();
        if (id == IDC_SEARCH_DEVICES)
            SearchDevices(TRUE);
        else if (id == IDC_NEW_IP_ADDRESS || id == IDC_NEW_DEVICE_NAME)
            OnUpdate();
    }
    return TRUE;
}

void CSetupEthDevDlg::EnableSelectionControls(bool enable)
{
    for (int id : kSelectionControls)
        GetDlgItem(id).EnableWindow(enable);
}

void CSetupEthDevDlg::OnSearch()
{
    SearchDevices(TRUE);
}

void CSetupEthDevDlg::SearchDevices(BOOL bClear)
{
    CWaitCursor wait;
    m_listDevices.DeleteAllItems();
    UpdateData(FALSE);

    std::vector<PortRow> rows(kSetupDeviceRows);
    int usm = 0;
    int realTime = 0;
    int count = kSetupDeviceRows;
    // A failing discovery has been reported by the transport, if at all.
    if (!Comm_GetPortParams(usm, realTime, nullptr, count, rows.data()))
        return;

    for (int i = 0; i < count; ++i) {
        const std::vector<std::string> fields = SplitRowFields(rows[i], kDeviceFieldChars);
        // Only device rows (address, MAC, name) are listed; another transport's rows are not devices.
        if (fields.size() <= kNameField)
            continue;
        // The list sorts itself by address text; the subitems go to where the item landed.
        const int item = m_listDevices.InsertItem(0, fields[kIpField].c_str());
        if (item < 0)
            continue;
        m_listDevices.SetItemText(item, kMacColumn, fields[kMacField].c_str());
        m_listDevices.SetItemText(item, kNameColumn, fields[kNameField].c_str());
    }
    if (count == 0)
        ShowError(39);
    if (bClear) {
        EnableSelectionControls(false);
        m_strIpAddress.Empty();
        m_strMacAddress.Empty();
    }
    UpdateData(FALSE);
}

void CSetupEthDevDlg::OnClickDeviceList(NMHDR*, LRESULT* pResult)
{
    *pResult = 0;
    UpdateData(TRUE);
    const int item = m_listDevices.GetSelectionMark();
    if (item < 0)
        return;
    m_strIpAddress = m_listDevices.GetItemText(item, kIpColumn);
    m_strDeviceName = m_listDevices.GetItemText(item, kNameColumn);
    m_strMacAddress = m_listDevices.GetItemText(item, kMacColumn);
    m_strOldName = m_strDeviceName;
    IpOctets ip{};
    if (ParseIp(m_strIpAddress, ip))
        m_ctrlIpAddress.SetAddress(AddressOf(ip));
    EnableSelectionControls(true);
    UpdateData(FALSE);
}

bool CSetupEthDevDlg::SendDeviceCommand(std::vector<unsigned char> command)
{
    return Comm_SetDeviceParams(reinterpret_cast<char*>(command.data())) != 0;
}

void CSetupEthDevDlg::OnReboot()
{
    MacBytes mac{};
    if (!ParseMac(m_strMacAddress, mac)) {
        ShowError(40);
        return;
    }
    CWaitCursor wait;
    if (!SendDeviceCommand(MakeRebootCommand(mac)))
        ShowError(43);
    // A new address typed but not sent is dropped.
    IpOctets ip{};
    if (ParseIp(m_strIpAddress, ip))
        m_ctrlIpAddress.SetAddress(AddressOf(ip));
    UpdateData(FALSE);
}

void CSetupEthDevDlg::OnUpdate()
{
    UpdateData(TRUE);
    IpOctets oldIp{};
    if (!ParseIp(m_strIpAddress, oldIp)) {
        ShowError(40);
        return;
    }
    DWORD typed = 0;
    m_ctrlIpAddress.GetAddress(typed);
    const IpOctets newIp = {static_cast<unsigned char>(FIRST_IPADDRESS(typed)),
                            static_cast<unsigned char>(SECOND_IPADDRESS(typed)),
                            static_cast<unsigned char>(THIRD_IPADDRESS(typed)),
                            static_cast<unsigned char>(FOURTH_IPADDRESS(typed))};
    const bool addressChanged = newIp != oldIp;

    if (addressChanged) {
        const unsigned long wanted = ::htonl(typed);
        for (int i = 0; i < m_listDevices.GetItemCount(); ++i) {
            if (::inet_addr(m_listDevices.GetItemText(i, kIpColumn)) != wanted)
                continue;
            // The one question of this dialog: asked, not logged.
            const char* question = g_pfnErrorGetText ? g_pfnErrorGetText(44) : nullptr;
            CString text;
            text.Format("%s", question ? question : "");
            if (ShowMessageBox(m_hWnd, text, "Kestrix", MB_OKCANCEL) == IDCANCEL)
                return;
            break;
        }
    }

    MacBytes mac{};
    if (!ParseMac(m_strMacAddress, mac)) {
        ShowError(45);
        return;
    }
    const bool nameChanged = m_strDeviceName != m_strOldName;

    CWaitCursor wait;
    if (addressChanged) {
        // The selection follows the device only once it has taken the address, so a refused
        // change can be sent again.
        if (SendDeviceCommand(MakeChangeIpCommand(mac, newIp)))
            m_strIpAddress.Format("%d.%d.%d.%d", newIp[0], newIp[1], newIp[2], newIp[3]);
        else
            ShowError(41);
    }
    if (nameChanged) {
        m_strDeviceName = PadDeviceName(m_strDeviceName.str()).c_str();
        if (!SendDeviceCommand(MakeChangeNameCommand(mac, m_strDeviceName.str())))
            ShowError(42);
    }
    if (addressChanged) {
        if (!SendDeviceCommand(MakeRebootCommand(mac)))
            ShowError(43);
        ::Sleep(kAddressChangeRebootMs);
    }
    if (addressChanged || nameChanged)
        SearchDevices(FALSE);
}

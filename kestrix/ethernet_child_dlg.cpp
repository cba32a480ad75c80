// CEthernetChildDlg: the Ethernet page's address, ports, channel and the Enter that reconnects.
#include "ethernet_child_dlg.h"

#include <commctrl.h>

#include "framework/data_exchange.h"

#include "kestrix_dlg.h"
#include "setup_eth_dev_dlg.h"

namespace {

// The device set-up dialog, owned by the main dialog (disabled meanwhile) and given the catalogue
// library's name; its result is not used and nothing is reconnected afterwards.
void RunEthernetDeviceSetup(HWND owner, const CString& catalogueName)
{
    CSetupEthDevDlg dlg(owner);
    dlg.m_strThesaurusDll = catalogueName;
    dlg.DoModal();
}

bool IsAddressOrPortControl(int id)
{
    return id == IDC_ETHERNET_ADDRESS || id == IDC_MAIN_PORT || id == IDC_USM_PORT || id == IDC_REAL_TIME_PORT;
}

} // namespace

// Unlike the other pages, a control without a tip names its id.
CEthernetChildDlg::CEthernetChildDlg()
    : CPortPageDlg(IDD_ETHERNET_CHILD, 3, kEthernetTips, TipMiss::UndefinedControlId)
{
}

const MessageMap* CEthernetChildDlg::GetMessageMap() const
{
    static const MessageMapEntry entries[] = {
        MapNotify(IDC_ETHERNET_ADDRESS, IPN_FIELDCHANGED, &CEthernetChildDlg::OnFieldChangedIpAddress),
        MapCommand(IDC_MAIN_PORT, EN_CHANGE, &CEthernetChildDlg::OnChangePort),
        MapCommand(IDC_USM_PORT, EN_CHANGE, &CEthernetChildDlg::OnChangeChannelPort),
        MapCommand(IDC_REAL_TIME_PORT, EN_CHANGE, &CEthernetChildDlg::OnChangeChannelPort),
        MapClicked(IDC_ETHERNET_MAIN, &CEthernetChildDlg::OnSelectChannel),
        MapClicked(IDC_ETHERNET_REAL_TIME, &CEthernetChildDlg::OnSelectChannel),
        MapClicked(IDC_ETHERNET_SETUP, &CEthernetChildDlg::OnSetup),
    };
    static const MessageMap map{entries, CPortPageDlg::GetMessageMap()};
    return &map;
}

void CEthernetChildDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ETHERNET_ADDRESS, m_ipAddress);
    DDX_Text(pDX, IDC_MAC_ADDRESS, m_strMacAddress);
    DDV_MaxChars(pDX, m_strMacAddress, kMacAddressChars);
    DDX_Radio(pDX, IDC_ETHERNET_MAIN, m_nOutChannel);
    DDX_Check(pDX, IDC_ETHERNET_AUTO, m_bAutoReconnect);
    // A port outside 1-65535 is refused with its message and not stored.
    DDX_Text(pDX, IDC_REAL_TIME_PORT, m_nRealTimePort);
    DDV_MinMaxInt(pDX, m_nRealTimePort, kMinTcpPort, kMaxTcpPort);
    DDX_Text(pDX, IDC_USM_PORT, m_nUsmPort);
    DDV_MinMaxInt(pDX, m_nUsmPort, kMinTcpPort, kMaxTcpPort);
    DDX_Text(pDX, IDC_MAIN_PORT, m_nMainPort);
    DDV_MinMaxInt(pDX, m_nMainPort, kMinTcpPort, kMaxTcpPort);
}

BOOL CEthernetChildDlg::PreTranslateMessage(MSG* msg)
{
    bool enter = false;
    if (!IsEnterOrEscape(msg, &enter))
        return FALSE;
    // Enter in the address (any of its fields) or a port edit connects with the new values; neither
    // key may close the page.
    if (!enter || !IsAddressOrPortControl(FocusedControlId()))
        return TRUE;
    CKestrixDlg* main = MainDialog();
    if (!main || main->m_nTransferState != 0)
        return TRUE;
    // A refused value has shown its message; the connection waits for a value that can be used.
    if (!UpdateData(TRUE))
        return TRUE;
    m_ipAddress.GetAddress(m_dwIpAddress);
    main->ConnectPort(1);
    return TRUE;
}

void CEthernetChildDlg::OnFieldChangedIpAddress(NMHDR*, LRESULT* pResult)
{
    // Only the member follows; the connection is made again on Enter or the next connect.
    m_ipAddress.GetAddress(m_dwIpAddress);
    *pResult = 0;
}

void CEthernetChildDlg::OnChangePort()
{
    UpdateData(TRUE);
    CKestrixDlg* main = MainDialog();
    if (!main || main->m_nInterface != 3)
        return;
    // Nothing may be sent to the old port while the new one is not connected yet.
    main->EnableFlashControls(FALSE);
    main->EnableReceiveControls(FALSE);
    main->EnableFileGroup(FALSE);
    main->EnableFileControls(FALSE);
    main->EnableStringStart(FALSE);
    main->EnableStringGroup(FALSE);
}

void CEthernetChildDlg::OnChangeChannelPort()
{
    OnChangePort();
}

void CEthernetChildDlg::OnSetup()
{
    if (CKestrixDlg* main = MainDialog())
        RunEthernetDeviceSetup(main->m_hWnd, main->m_strThesaurusDll);
}

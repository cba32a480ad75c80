// CUsbChildDlg: the USB page's device list, output channel, status monitoring and buttons.
#include "usb_child_dlg.h"

#include <string>
#include <vector>

#include "framework/data_exchange.h"

#include "core/device_names.h"
#include "data_log.h"
#include "dorvane/dorvane.h"
#include "kestrix_dlg.h"
#include "setup_usb_driver.h"
#include "transfer.h"

CLed* g_pLedUsbError = nullptr;
CLed* g_pLedPaperOut = nullptr;

namespace {

constexpr int kLedY = 108;
constexpr int kLedErrorX = 100;
constexpr int kLedPaperOutX = 155;

// The driver set-up dialog, owned by the main dialog (disabled meanwhile) and given the catalogue
// library's name; its result is not used and nothing is reconnected afterwards.
void RunUsbDriverSetup(HWND owner, const CString& catalogueName)
{
    CSetupUsbDriver dlg(owner);
    dlg.m_strThesaurusDll = catalogueName;
    dlg.DoModal();
}

} // namespace

CUsbChildDlg::CUsbChildDlg() : CPortPageDlg(IDD_USB_CHILD, 1, kUsbTips) {}

CUsbChildDlg::~CUsbChildDlg()
{
    delete g_pLedUsbError;
    g_pLedUsbError = nullptr;
    delete g_pLedPaperOut;
    g_pLedPaperOut = nullptr;
}

const MessageMap* CUsbChildDlg::GetMessageMap() const
{
    static const MessageMapEntry entries[] = {
        MapCommand(IDC_USB_DEVICE, CBN_DROPDOWN, &CUsbChildDlg::OnDropdownDevice),
        MapCommand(IDC_USB_DEVICE, CBN_SELCHANGE, &CUsbChildDlg::OnSelchangeDevice),
        MapClicked(IDC_USB_NORMAL, &CUsbChildDlg::OnSelectChannel),
        MapClicked(IDC_USB_REAL_TIME, &CUsbChildDlg::OnSelectChannel),
        MapClicked(IDC_USB_INFO, &CUsbChildDlg::OnInfo),
        MapClicked(IDC_USB_SETUP_DRIVER, &CUsbChildDlg::OnSetupDriver),
        MapClicked(IDC_USB_MONITOR, &CUsbChildDlg::OnMonitor),
    };
    static const MessageMap map{entries, CPortPageDlg::GetMessageMap()};
    return &map;
}

void CUsbChildDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_USB_LED_PAPER_OUT, m_stPaperOut);
    DDX_Control(pDX, IDC_USB_LED_ERROR, m_stError);
    DDX_Control(pDX, IDC_USB_DEVICE, m_cbDevice);
    DDX_CBString(pDX, IDC_USB_DEVICE, m_strDevice);
    DDX_Radio(pDX, IDC_USB_NORMAL, m_nOutChannel);
    DDX_Check(pDX, IDC_USB_MONITOR, m_bMonitor);
}

BOOL CUsbChildDlg::PreTranslateMessage(MSG* msg)
{
    bool enter = false;
    if (!IsEnterOrEscape(msg, &enter))
        return FALSE;
    // Enter on Info asks for the report; neither key may close the page.
    if (enter && FocusedControlId() == IDC_USB_INFO)
        OnInfo();
    return TRUE;
}

BOOL CUsbChildDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    g_pLedUsbError = new CLed(&m_stError, 0, IDB_LINE_LED_RED, IDB_LINE_LED_GREEN, kLedErrorX, kLedY);
    g_pLedPaperOut = new CLed(&m_stPaperOut, 0, IDB_LINE_LED_RED, IDB_LINE_LED_GREEN, kLedPaperOutX, kLedY);
    return TRUE;
}

void CUsbChildDlg::OnDropdownDevice()
{
    if (!IsChosenInterface())
        return;
    CKestrixDlg* main = MainDialog();
    int count = kPortNameRows;  // on entry: the rows m_szPortNames holds
    if (!Comm_GetPortParams(main->m_bUsmChannel, main->m_bRealTimeChannel, nullptr, count, m_szPortNames))
        return;
    m_nPortCount = RowsFilled(count);
    FillDeviceCombo(main->m_nUsbDevice);
}

void CUsbChildDlg::FillDeviceCombo(int selected)
{
    UpdateData(TRUE);
    const std::vector<std::string> shown = NumberSharedDeviceNames(PortNames(m_szPortNames, m_nPortCount));
    m_cbDevice.ResetContent();
    for (const std::string& name : shown)
        m_cbDevice.AddString(name.c_str());
    const bool known = selected >= 0 && selected < static_cast<int>(shown.size());
    if (known)
        m_strDevice = shown[static_cast<size_t>(selected)].c_str();
    UpdateData(FALSE);
    // The list's text search ignores case; names differing only in case must still select the
    // device at its own position.
    if (known)
        m_cbDevice.SetCurSel(selected);
}

void CUsbChildDlg::OnSelchangeDevice()
{
    UpdateData(TRUE);
    CKestrixDlg* main = MainDialog();
    if (!main)
        return;
    const int position = m_cbDevice.GetCurSel();
    main->m_nUsbDevice = position < 0 ? 0 : position;
    main->ConnectPort(1);
}

void CUsbChildDlg::OnSetupDriver()
{
    if (CKestrixDlg* main = MainDialog())
        RunUsbDriverSetup(main->m_hWnd, main->m_strThesaurusDll);
}

void CUsbChildDlg::OnMonitor()
{
    UpdateData(TRUE);
    if (!m_bMonitor) {
        // Stale lamps would suggest a status that is no longer read; they come back with the next one.
        m_stError.ShowWindow(SW_HIDE);
        m_stPaperOut.ShowWindow(SW_HIDE);
        AddEntry("Check USB Printer Status = FALSE");
    } else {
        AddEntry("Check USB Printer Status = TRUE");
    }
    CKestrixDlg* main = MainDialog();
    if (!main)
        return;
    g_Transfer.SetParams(main->m_nInterface, main->m_nUsbDevice, m_nOutChannel, main->m_bRealTimeChannel,
                         main->m_bUsmChannel, m_bMonitor);
}

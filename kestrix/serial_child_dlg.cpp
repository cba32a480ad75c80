// CSerialChildDlg: the serial page's lists, its message map and its line LEDs.
#include "serial_child_dlg.h"

#include "framework/data_exchange.h"

CLed* g_pLedDsr = nullptr;
CLed* g_pLedCts = nullptr;
CLed* g_pLedRing = nullptr;
CLed* g_pLedDcd = nullptr;
CLed* g_pLedXonXoff = nullptr;

namespace {

// Initial items, position 0 first; the stored settings are positions in these lists.
constexpr const char* kPorts[] = {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9", "COM10"};
constexpr const char* kBaudRates[] = {"115200", "57600", "38400", "19200", "9600", "4800",
                                      "2400",   "1200",  "600",   "300",   "110"};
constexpr const char* kParities[] = {"None", "Odd", "Even", "Mark", "Space"};
constexpr const char* kDataBits[] = {"5", "6", "7", "8"};
constexpr const char* kStopBits[] = {"1", "1.5", "2"};
constexpr const char* kFlowControls[] = {"None", "DSR+CTS", "DSR", "CTS", "Xon / Xoff"};

// Client positions of the LEDs in the Status group (y is common).
constexpr int kLedY = 105;
constexpr int kLedDsrX = 20;
constexpr int kLedCtsX = 60;
constexpr int kLedRingX = 100;
constexpr int kLedDcdX = 140;
constexpr int kLedXonXoffX = 200;

} // namespace

CSerialChildDlg::CSerialChildDlg()
    : CPortListPageDlg(IDD_SERIAL_CHILD, 0, kSerialTips, "COM", IDC_SERIAL_PORT)
{
}

CSerialChildDlg::~CSerialChildDlg()
{
    for (CLed** led : {&g_pLedDsr, &g_pLedCts, &g_pLedRing, &g_pLedDcd, &g_pLedXonXoff}) {
        delete *led;
        *led = nullptr;
    }
}

const MessageMap* CSerialChildDlg::GetMessageMap() const
{
    static const MessageMapEntry entries[] = {
        MapCommand(IDC_SERIAL_PORT, CBN_SELCHANGE, &CSerialChildDlg::OnSelchangePort),
        MapCommand(IDC_FLOW_CONTROL, CBN_SELCHANGE, &CSerialChildDlg::OnSelchangePort),
        MapCommand(IDC_SERIAL_PORT, CBN_DROPDOWN, &CSerialChildDlg::OnDropdownPort),
    };
    static const MessageMap map{entries, CPortListPageDlg::GetMessageMap()};
    return &map;
}

void CSerialChildDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SERIAL_PORT, m_cbPort);
    DDX_Control(pDX, IDC_PARITY, m_cbParity);
    DDX_Control(pDX, IDC_FLOW_CONTROL, m_cbFlowControl);
    DDX_Control(pDX, IDC_LED_XONXOFF, m_stXonXoff);
    DDX_Control(pDX, IDC_LED_DCD, m_stDcd);
    DDX_Control(pDX, IDC_LED_RING, m_stRing);
    DDX_Control(pDX, IDC_LED_DSR, m_stDsr);
    DDX_Control(pDX, IDC_LED_CTS, m_stCts);
    DDX_CBIndex(pDX, IDC_SERIAL_PORT, m_nPort);
    DDX_CBIndex(pDX, IDC_BAUD_RATE, m_nBaudRate);
    DDX_CBIndex(pDX, IDC_PARITY, m_nParity);
    DDX_CBIndex(pDX, IDC_DATA_BITS, m_nDataBits);
    DDX_CBIndex(pDX, IDC_STOP_BITS, m_nStopBits);
    DDX_CBIndex(pDX, IDC_FLOW_CONTROL, m_nFlowControl);
}

BOOL CSerialChildDlg::OnInitDialog()
{
    FillInitialItems(IDC_SERIAL_PORT, kPorts);
    FillInitialItems(IDC_BAUD_RATE, kBaudRates);
    FillInitialItems(IDC_PARITY, kParities);
    FillInitialItems(IDC_DATA_BITS, kDataBits);
    FillInitialItems(IDC_STOP_BITS, kStopBits);
    FillInitialItems(IDC_FLOW_CONTROL, kFlowControls);
    CDialog::OnInitDialog();
    // Hidden until the first line status arrives: red for a low line, green for a high one.
    g_pLedDsr = new CLed(&m_stDsr, 0, IDB_LINE_LED_RED, IDB_LINE_LED_GREEN, kLedDsrX, kLedY);
    g_pLedCts = new CLed(&m_stCts, 0, IDB_LINE_LED_RED, IDB_LINE_LED_GREEN, kLedCtsX, kLedY);
    g_pLedRing = new CLed(&m_stRing, 0, IDB_LINE_LED_RED, IDB_LINE_LED_GREEN, kLedRingX, kLedY);
    g_pLedDcd = new CLed(&m_stDcd, 0, IDB_LINE_LED_RED, IDB_LINE_LED_GREEN, kLedDcdX, kLedY);
    g_pLedXonXoff = new CLed(&m_stXonXoff, 0, IDB_LINE_LED_RED, IDB_LINE_LED_GREEN, kLedXonXoffX, kLedY);
    return TRUE;
}

// CKestrixApp: start-up, shutdown, settings and the Windows version.
#include "kestrix_app.h"

#include <commctrl.h>
#include <mbstring.h>

#include "dorvane/dorvane.h"
#include "error_report.h"

#include "kestrix_dlg.h"
#include "port_limits.h"
#include "res/resource.h"
#include "my_file.h"
#include "transfer.h"

namespace {

// A history file is kept only while the send file can still open it for reading.
bool CanOpenForReading(const char* path)
{
    if (!g_SendFile.Open(path, 0, 0, 0))
        return false;
    g_SendFile.Close();
    return true;
}

} // namespace

CKestrixApp::CKestrixApp() = default;
CKestrixApp::~CKestrixApp() = default;

BOOL CKestrixApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&controls);
    {
        CKestrixDlg dlg(nullptr);
        m_pMainWnd = &dlg;
        LoadSettings(dlg);
        Comm_CloseCleanuo();  // no transport stays loaded from before
        CreateAbortEvent();
        DetectOsVersion();

        m_strExeDir.Empty();
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, sizeof path - 1);
        m_strExeDir = ExeDirOf(path);

        dlg.DoModal();
        SaveSettings(dlg);
        m_pMainWnd = nullptr;
    }
    return FALSE;  // everything ran inside the dialog: no message loop of our own
}

int CKestrixApp::ExitInstance()
{
    // A request lost after its cancel may still write into the transport's records.
    if (g_Transfer.IsTransportLost())
        m_bWorkerOutlived = true;
    if (Comm_IsOpened() && !m_bWorkerOutlived) {
        // No reader may still read from the port being closed.
        g_Transfer.StopThreads();
        if (!g_Transfer.WaitReadersEnded(kReaderEndMs))
            m_bWorkerOutlived = true;
        else
            Comm_CloseCleanuo();
    }
    // A thread that is still running may use the transport, the files and the global objects:
    // ending the process stops it before anything it uses is freed.
    if (m_bWorkerOutlived)
        ExitProcess(static_cast<UINT>(CApp::ExitInstance()));
    g_RxDataFile.Close();
    return CApp::ExitInstance();
}

CString CKestrixApp::ExeDirOf(const char* modulePath)
{
    // Multibyte-aware: a trail byte equal to '\\' in a DBCS name is not a separator.
    const unsigned char* last =
        _mbsrchr(reinterpret_cast<const unsigned char*>(modulePath), static_cast<unsigned>('\\'));
    if (!last)
        return CString();
    return CString(modulePath, static_cast<int>(reinterpret_cast<const char*>(last) - modulePath));
}

int CKestrixApp::DetectOsVersion()
{
    OSVERSIONINFOEXA record;
    if (!QueryOsVersion(record))
        return 0;
    return DetectOsVersion(reinterpret_cast<const OSVERSIONINFOA&>(record));
}

int CKestrixApp::DetectOsVersion(const OSVERSIONINFOA& record)
{
    OsVersion os;
    os.text = m_strOsVersion.str();
    os.usbCapable = m_bUsbCapableOs;
    os.parallelCapable = m_bParallelCapableOs;
    os.ntFamily = m_bNtFamily;
    const int result = DescribeOsVersion(record, os);
    m_strOsVersion = CString(os.text);
    m_bUsbCapableOs = os.usbCapable;
    m_bParallelCapableOs = os.parallelCapable;
    m_bNtFamily = os.ntFamily;
    return result;
}

SettingsView CKestrixApp::MakeSettingsView(CKestrixDlg& dlg)
{
    SettingsView v;
    v.stringMode = Number(IDS_STRING_MODE, dlg.m_bHexMode, 1, 2);
    v.showUsm = CheckBox(IDS_SHOW_USM_WINDOW, dlg.m_bShowUsm, 0);
    v.thesaurusDll = &dlg.m_strThesaurusDll;
    v.filesHistory = &m_listFilesHistory;
    v.filesHistoryCount = &m_nFilesHistoryCount;
    v.stringsHistory = &m_listStringsHistory;
    v.stringsHistoryCount = &m_nStringsHistoryCount;
    v.commParams = {
        CheckBox(IDS_LOTTERY_PACKET_MODE, dlg.m_bLotteryPacket, 0),
        CheckBox(IDS_KIOSK_PACKET_MODE, dlg.m_bKioskPacket, 0),
        Number(IDS_INTERFACE_TYPE, dlg.m_nInterface, 0, kInterfaceCount),
        Number(IDS_SERIAL_PORT_ID, dlg.m_dlgSerial.m_nPort, 0, kMaxPortRows),
        Number(IDS_BAUD_RATE, dlg.m_dlgSerial.m_nBaudRate, 0, kBaudRateCount),
        Number(IDS_PARITY, dlg.m_dlgSerial.m_nParity, 0, kParityCount),
        Number(IDS_FLOW_CONTROL, dlg.m_dlgSerial.m_nFlowControl, 1, kFlowControlCount),
        Number(IDS_DATA_BITS, dlg.m_dlgSerial.m_nDataBits, 3, kDataBitsCount),
        Number(IDS_STOP_BITS, dlg.m_dlgSerial.m_nStopBits, 0, kStopBitsCount),
        Number(IDS_USB_OUT_ENDPOINT, dlg.m_dlgUsb.m_nOutChannel, 0, kOutChannelCount),
        CheckBox(IDS_CHECK_STATUS_MODE, dlg.m_dlgUsb.m_bMonitor, 1),
        Number(IDS_PARALLEL_PORT_ID, dlg.m_dlgParallel.m_nPort, 0, kMaxPortRows),
        Number(IDS_ETHERNET_IP_ADDRESS, dlg.m_dlgEthernet.m_dwIpAddress, 0),
        NumberInRange(IDS_ETHERNET_PORT, dlg.m_dlgEthernet.m_nMainPort, 9100, kMinTcpPort, kMaxTcpPort),
        NumberInRange(IDS_REAL_TIME_ETHERNET_PORT, dlg.m_dlgEthernet.m_nRealTimePort, 9105, kMinTcpPort, kMaxTcpPort),
        NumberInRange(IDS_USM_ETHERNET_PORT, dlg.m_dlgEthernet.m_nUsmPort, 9110, kMinTcpPort, kMaxTcpPort),
        CheckBox(IDS_RECONNECT_MODE, dlg.m_dlgEthernet.m_bAutoReconnect, 1),
    };
    return v;
}

void CKestrixApp::LoadSettings(CKestrixDlg& dlg)
{
    SettingsStore().Load(MakeSettingsView(dlg), CanOpenForReading, LogNote);
}

void CKestrixApp::SaveSettings(CKestrixDlg& dlg)
{
    SettingsStore().Save(MakeSettingsView(dlg));
}

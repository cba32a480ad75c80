// Connection management of the main dialog: ConnectPort and its per-interface steps, the interface
// radios, the port pages' display, and the USB arrival and removal notifications.
#include "kestrix_dlg.h"

#include <dbt.h>

#include <cstring>
#include <iterator>

#include "connection.h"
#include "data_log.h"
#include "dorvane/dorvane.h"
#include "error_report.h"
#include "flash_download.h"
#include "kestrix_app.h"
#include "res/resource.h"
#include "transfer.h"
#include "version.h"

int g_nLastInterface = -1;
HDEVNOTIFY g_hUsbNotify = nullptr;

namespace {

constexpr int kInterfaceSerial = 0;
constexpr int kInterfaceUsb = 1;
constexpr int kInterfaceParallel = 2;
constexpr int kInterfaceEthernet = 3;
constexpr int kInterfaceCount = 4;
constexpr int kNoInterface = -1;

// kPacketSizes index of each interface's chunk size.
constexpr int kPacketSizeIndexes[kInterfaceCount] = {3, 8, 6, 8};
constexpr const char* kCloseLines[kInterfaceCount] = {"Close Serial Port", "Close USB Port", "Close Parallel Port",
                                                      "Close Ethernet Port"};
// A connect that finds the transport's handle lost.
constexpr const char* kLostPortLines[kInterfaceCount] = {
    "Open Serial Port failed: a request did not end after its cancel, the port handle is lost",
    "Open USB Port failed: a request did not end after its cancel, the port handle is lost",
    "Open Parallel Port failed: a request did not end after its cancel, the port handle is lost",
    "Open Ethernet Port failed: a request did not end after its cancel, the port handle is lost"};
// "Error - Get communication port Handle": the box of a connect that finds the handle lost.
constexpr int kCommErrorPortHandle = 2;

// Connection results of Comm_IsConnectionValid.
constexpr int kSettingsUnchanged = 0;
constexpr int kSettingsChanged = 1;
constexpr int kNeverOpened = 2;

constexpr int kFlowXonXoff = 4;
constexpr int kCaptionNormal = 44;
constexpr int kCaptionNormalRealTime = 45;

// The log's words for the settings' list positions.
constexpr int kBaudRates[] = {115200, 57600, 38400, 19200, 9600, 4800, 2400, 1200, 600, 300, 110};
constexpr const char* kParities[] = {"None", "Odd", "Even", "Mark", "Space"};
constexpr const char* kHandshakes[] = {"None", "DSR/CTS", "DSR", "CTS", "XON/XOFF"};
constexpr int kDataBits[] = {5, 6, 7, 8};
constexpr const char* kStopBits[] = {"1", "1.5", "2"};

template <typename T, std::size_t N>
T At(const T (&table)[N], int index, T outside)
{
    return index >= 0 && index < static_cast<int>(N) ? table[index] : outside;
}

const char* TrueFalse(bool value)
{
    return value ? "TRUE" : "FALSE";
}

// The program's title, with its version and process id.
CString BaseTitle()
{
    CString title;
    title.Format("Kestrix V%d.%d.%d -  pid=%X ", kVersionMajor, kVersionMinor, kVersionRelease,
                 static_cast<unsigned>(GetCurrentProcessId()));
    return title;
}

void EnableItem(HWND page, int id, bool enable)
{
    if (HWND item = ::GetDlgItem(page, id))
        ::EnableWindow(item, enable);
}

void ShowItem(HWND dialog, int id, bool show)
{
    if (HWND item = ::GetDlgItem(dialog, id))
        ::ShowWindow(item, show ? SW_SHOW : SW_HIDE);
}

// When each control of a port page is enabled, beyond its page being the chosen one.
enum class Extra { None, XonXoff, UsbRealTime, WinNT, Bidirectional, MainChannel, RealTimeChannel, UsmChannel };

struct PageControl {
    int iface;
    int id;
    Extra extra;
};

constexpr PageControl kPageControls[] = {
    {kInterfaceSerial, IDC_SERIAL_GROUP, Extra::None},
    {kInterfaceSerial, IDC_SERIAL_PORT, Extra::None},
    {kInterfaceSerial, IDC_BAUD_RATE_GROUP, Extra::None},
    {kInterfaceSerial, IDC_BAUD_RATE, Extra::None},
    {kInterfaceSerial, IDC_PARITY_GROUP, Extra::None},
    {kInterfaceSerial, IDC_PARITY, Extra::None},
    {kInterfaceSerial, IDC_FLOW_CONTROL_GROUP, Extra::None},
    {kInterfaceSerial, IDC_FLOW_CONTROL, Extra::None},
    {kInterfaceSerial, IDC_DATA_BITS_GROUP, Extra::None},
    {kInterfaceSerial, IDC_DATA_BITS, Extra::None},
    {kInterfaceSerial, IDC_STOP_BITS_GROUP, Extra::None},
    {kInterfaceSerial, IDC_STOP_BITS, Extra::None},
    {kInterfaceSerial, IDC_LINE_STATUS_GROUP, Extra::None},
    {kInterfaceSerial, IDC_DSR_LABEL, Extra::None},
    {kInterfaceSerial, IDC_CTS_LABEL, Extra::None},
    {kInterfaceSerial, IDC_RING_LABEL, Extra::None},
    {kInterfaceSerial, IDC_DCD_LABEL, Extra::None},
    {kInterfaceSerial, IDC_XONXOFF_LABEL, Extra::XonXoff},
    {kInterfaceUsb, IDC_USB_GROUP, Extra::None},
    {kInterfaceUsb, IDC_USB_OUT_GROUP, Extra::None},
    {kInterfaceUsb, IDC_USB_DEVICE, Extra::None},
    {kInterfaceUsb, IDC_USB_NORMAL, Extra::None},
    {kInterfaceUsb, IDC_USB_INFO, Extra::None},
    {kInterfaceUsb, IDC_USB_STATUS_GROUP, Extra::None},
    {kInterfaceUsb, IDC_USB_ERROR_LABEL, Extra::None},
    {kInterfaceUsb, IDC_USB_PAPER_OUT_LABEL, Extra::None},
    {kInterfaceUsb, IDC_USB_MONITOR, Extra::None},
    {kInterfaceUsb, IDC_USB_REAL_TIME, Extra::UsbRealTime},
    {kInterfaceUsb, IDC_USB_SETUP_DRIVER, Extra::WinNT},
    {kInterfaceParallel, IDC_PARALLEL_GROUP, Extra::None},
    {kInterfaceParallel, IDC_PARALLEL_PORT, Extra::None},
    {kInterfaceParallel, IDC_PARALLEL_B_LABEL, Extra::WinNT},
    {kInterfaceParallel, IDC_PARALLEL_P_LABEL, Extra::WinNT},
    {kInterfaceParallel, IDC_PARALLEL_S_LABEL, Extra::WinNT},
    {kInterfaceParallel, IDC_PARALLEL_INFO, Extra::Bidirectional},
    {kInterfaceEthernet, IDC_ETHERNET_GROUP, Extra::None},
    {kInterfaceEthernet, IDC_ETHERNET_ADDRESS, Extra::None},
    {kInterfaceEthernet, IDC_IP_ADDRESS_LABEL, Extra::None},
    {kInterfaceEthernet, IDC_MAC_ADDRESS_LABEL, Extra::None},
    {kInterfaceEthernet, IDC_MAC_ADDRESS, Extra::None},
    {kInterfaceEthernet, IDC_ETHERNET_SETTINGS_GROUP, Extra::None},
    {kInterfaceEthernet, IDC_MAIN_PORT, Extra::None},
    {kInterfaceEthernet, IDC_REAL_TIME_PORT, Extra::None},
    {kInterfaceEthernet, IDC_USM_PORT, Extra::None},
    {kInterfaceEthernet, IDC_ETHERNET_SETUP, Extra::None},
    {kInterfaceEthernet, IDC_ETHERNET_AUTO, Extra::None},
    {kInterfaceEthernet, IDC_ETHERNET_MAIN, Extra::MainChannel},
    {kInterfaceEthernet, IDC_ETHERNET_REAL_TIME, Extra::RealTimeChannel},
    {kInterfaceEthernet, IDC_USM_PORT_LABEL, Extra::UsmChannel},
};

// The device-interface name of a notification of the USB driver's class, or null for any other
// record (volumes, ports, other classes), whose records hold no such name.
const char* UsbDeviceName(LPARAM header)
{
    const auto* hdr = reinterpret_cast<const DEV_BROADCAST_HDR*>(header);
    if (!hdr || hdr->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE ||
        hdr->dbch_size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_A))
        return nullptr;
    const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(hdr);
    if (!IsEqualGUID(record->dbcc_classguid, kUsbDriverInterfaceClass))
        return nullptr;
    // The name runs to the end of the record; a record without its terminator is not read past.
    const std::size_t room = hdr->dbch_size - offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    return strnlen(record->dbcc_name, room) < room ? record->dbcc_name : nullptr;
}

} // namespace

int CKestrixDlg::ConnectPort(int updateGroups)
{
    if (!LeaveOldInterface())
        return 0;
    if (m_nInterface < 0 || m_nInterface >= kInterfaceCount) {
        ShowError(kErrorInvalidInterface);
        return 0;
    }
    // Readers and transfers post to this window.
    g_Transfer.SetNotifyWindow(m_hWnd);

    if (!Comm_IsOpened()) {
        if (!Comm_OpenSetup(m_hWnd, m_nInterface, theApp.IsWinNT()))
            return ConnectFailed(false, nullptr);
        g_Transfer.ForgetLostTransport();
        m_nPacketSizeIndex = kPacketSizeIndexes[m_nInterface];
        UpdateAllData(FALSE);
    } else if (g_Transfer.IsTransportLost()) {
        return FailLostPort();
    }

    int firmwareFlag = 1;
    bool connected = false;
    switch (m_nInterface) {
    case kInterfaceSerial:
        connected = ConnectSerial();
        break;
    case kInterfaceUsb:
        connected = ConnectUsb();
        break;
    case kInterfaceParallel:
        connected = ConnectParallel();
        break;
    default:
        connected = ConnectEthernet(firmwareFlag);
        break;
    }
    if (!connected)
        return 0;  // the failure block has run, or a reader still uses the port (logged)
    g_nLastInterface = m_nInterface;

    const BOOL available = Comm_IsPortAvailable() ? TRUE : FALSE;
    if (updateGroups == 1) {
        const BOOL answers = available && Comm_IsBidirectional() && firmwareFlag ? TRUE : FALSE;
        EnableFlashControls(FALSE);
        EnableFlashControls(answers);
        EnableReceiveControls(answers);
        EnableFileGroup(available);
        EnableFileControls(available);
        EnableStringStart(available);
        EnableStringGroup(available);
        EnableDlgItem(IDC_LOTTERY_PACKET, available);
        EnableDlgItem(IDC_KIOSK_PACKET, available);
    }
    if (available)
        g_Transfer.StartReaders();
    Comm_SetConnect(available);
    return 1;
}

bool CKestrixDlg::LeaveOldInterface()
{
    if (g_nLastInterface == m_nInterface || !Comm_IsOpened())
        return true;
    // Readers end before the port they read closes, connected or not.
    if (!StopReadersBeforeDrop())
        return false;
    if (Comm_IsConnected() && !g_Transfer.IsTransportLost()) {
        if (g_nLastInterface >= 0 && g_nLastInterface < kInterfaceCount)
            AddEntry(kCloseLines[g_nLastInterface]);
        Comm_BreakDownCommPort();
        Sleep(kPortCloseSettleMs);
    }
    Comm_CloseCleanuo();
    return true;
}

int CKestrixDlg::FailLostPort()
{
    // A request of its port did not end after its cancel: the port is not used again.
    // Another interface, or the device plugged in again, gets a new transport.
    ShowCommError(kCommErrorPortHandle, nullptr);
    return ConnectFailed(false, kLostPortLines[m_nInterface]);
}

bool CKestrixDlg::StopReadersForReopen(bool usbHandOver)
{
    if (!StopReadersBeforeDrop(usbHandOver))
        return false;
    // The stop itself may be what lost a request: that port is neither closed nor reopened.
    if (!g_Transfer.IsTransportLost())
        return true;
    FailLostPort();
    return false;
}

bool CKestrixDlg::ClosePortForReopen(const char* line)
{
    if (!StopReadersForReopen())
        return false;
    if (Comm_IsConnected() == 1) {
        Comm_BreakDownCommPort();
        AddEntry(line);
    }
    return true;
}

bool CKestrixDlg::ConnectSerial()
{
    CSerialChildDlg& page = m_dlgSerial;
    page.OnDropdownPort();
    const int valid = Comm_IsConnectionValid(static_cast<DWORD>(page.m_nPort), kPacketSizeIndexes[kInterfaceSerial],
                                             page.m_nBaudRate, page.m_nParity, page.m_nFlowControl, page.m_nDataBits,
                                             page.m_nStopBits);
    if (valid == kSettingsChanged || valid == kNeverOpened) {
        if (valid == kSettingsChanged) {
            if (!ClosePortForReopen(kCloseLines[kInterfaceSerial]))
                return false;
            Sleep(kPortReopenPauseMs);
        }
        char name[kPortNameChars] = {};
        const CString listed = page.m_cbPort.GetLBText(page.m_nPort);
        lstrcpynA(name, listed.c_str(), sizeof name);
        DWORD port = static_cast<DWORD>(page.m_nPort);
        const int opened = Comm_UpdateConnection(0, port, name, page.m_nBaudRate, page.m_nParity, page.m_nFlowControl,
                                                 page.m_nDataBits, page.m_nStopBits);
        page.m_nPort = static_cast<int>(port);
        CString params;
        params.Format("Port = %s, BaudRate = %d, Parity = %s, Handshaking = %s, NbDatas = %d, NbStops = %s", name,
                      At(kBaudRates, page.m_nBaudRate, 0), At(kParities, page.m_nParity, ""),
                      At(kHandshakes, page.m_nFlowControl, ""), At(kDataBits, page.m_nDataBits, 0),
                      At(kStopBits, page.m_nStopBits, ""));
        if (!opened)
            return ConnectFailed(false, CString("Open Serial Port failed. Params : ") + params) != 0;
        AddEntry(CString("Open Serial Port successful. Params : ") + params);
    }
    g_Transfer.SetParams(kInterfaceSerial, page.m_nPort, 0, 0, 0, 1);
    ShowInterfaceControls(kInterfaceSerial);
    ShowItem(m_hWnd, IDC_SHOW_USM, false);
    ShowUsmList(FALSE);
    return true;
}

bool CKestrixDlg::ConnectUsb()
{
    CUsbChildDlg& page = m_dlgUsb;
    const int valid = Comm_IsConnectionValid(static_cast<DWORD>(m_nUsbDevice), kPacketSizeIndexes[kInterfaceUsb],
                                             page.m_nOutChannel, 1, 0, 0, 0);
    if (valid == kSettingsChanged) {
        for (CLed* led : {g_pLedUsbError, g_pLedPaperOut})
            if (led)
                led->SetState(0);
        // Hand-over: a device still present whose reader has ended by itself keeps its open port;
        // otherwise both readers are stopped (their reads completed) and the port reopens in
        // restart mode. A reader whose stop timed out never ended by itself, even once it has
        // ended: the stop then finds it ended and forgets it with its stop.
        int restart = 0;
        bool reopen = true;
        if (g_Transfer.HasReader() || g_Transfer.HasUsmReader()) {
            // The device is asked only when it decides: a running reader may be inside a request.
            const bool endedByItself = !g_Transfer.IsReaderRunning() && !g_Transfer.HasReaderAskedToStop();
            if (endedByItself && Comm_IsDevicePresent()) {
                reopen = false;
            } else if (StopReadersForReopen(true)) {
                restart = 1;
            } else {
                return false;
            }
        }
        if (reopen) {
            DWORD device = static_cast<DWORD>(m_nUsbDevice);
            int scratch1 = 0;
            int scratch2 = 0;
            const int opened = Comm_UpdateConnection(restart, device, nullptr, page.m_nOutChannel, m_bUsmChannel,
                                                     m_bRealTimeChannel, scratch1, scratch2);
            m_nUsbDevice = static_cast<int>(device);
            if (!opened)
                return ConnectFailed(false, "Open USB Port failed") != 0;
        }
        page.OnDropdownDevice();
        CString line;
        line.Format("Open USB Port successful. Params : Device = %s, Output port = %s, Check USB Printer Status = %s",
                    page.m_strDevice, page.m_nOutChannel ? "Real Time" : "Normal", TrueFalse(page.m_bMonitor == 1));
        AddEntry(line);
    }
    UpdateAllData(FALSE);
    ShowInterfaceControls(kInterfaceUsb);
    g_Transfer.SetParams(kInterfaceUsb, m_nUsbDevice, page.m_nOutChannel, m_bRealTimeChannel, m_bUsmChannel,
                         page.m_bMonitor);
    ShowItem(m_hWnd, IDC_SHOW_USM, true);
    OnShowUsm();
    return true;
}

bool CKestrixDlg::ConnectParallel()
{
    CParallelChildDlg& page = m_dlgParallel;
    page.OnDropdownPort();
    const int valid = Comm_IsConnectionValid(static_cast<DWORD>(page.m_nPort),
                                             kPacketSizeIndexes[kInterfaceParallel], 0, 0, 0, 0, 0);
    if (valid == kSettingsChanged || valid == kNeverOpened) {
        if (valid == kSettingsChanged) {
            if (!ClosePortForReopen(kCloseLines[kInterfaceParallel]))
                return false;
            Sleep(kPortReopenPauseMs);
        }
        char name[kPortNameChars] = {};
        const CString listed = page.m_cbPort.GetLBText(page.m_nPort);
        lstrcpynA(name, listed.c_str(), sizeof name);
        DWORD port = static_cast<DWORD>(page.m_nPort);
        int scratch[5] = {};
        const int opened =
            Comm_UpdateConnection(0, port, name, scratch[0], scratch[1], scratch[2], scratch[3], scratch[4]);
        page.m_nPort = static_cast<int>(port);
        CString line;
        line.Format(opened ? "Open Parallel Port successful. Params : Port = %s"
                           : "Open Parallel Port failed. Params : Port = %s",
                    name);
        if (!opened)
            return ConnectFailed(false, line) != 0;
        AddEntry(line);
    }
    g_Transfer.SetParams(kInterfaceParallel, page.m_nPort, 0, 0, 0, 0);
    ShowInterfaceControls(kInterfaceParallel);
    ShowUsmList(FALSE);
    ShowItem(m_hWnd, IDC_SHOW_USM, false);
    return true;
}

bool CKestrixDlg::ConnectEthernet(int& firmwareFlag)
{
    CEthernetChildDlg& page = m_dlgEthernet;
    const int valid = Comm_IsConnectionValid(page.m_dwIpAddress, kPacketSizeIndexes[kInterfaceEthernet],
                                             page.m_nMainPort, page.m_nOutChannel, page.m_nRealTimePort,
                                             page.m_nUsmPort, 0);
    if (valid == kSettingsChanged || valid == kNeverOpened || (valid == kSettingsUnchanged && page.m_bAutoReconnect)) {
        if (valid != kNeverOpened && !ClosePortForReopen(kCloseLines[kInterfaceEthernet]))
            return false;
        // In: the channel ports to connect; out: whether each channel connected.
        m_bRealTimeChannel = page.m_nRealTimePort;
        m_bUsmChannel = page.m_nUsmPort;
        m_bMainChannel = 0;
        char mac[kMacAddressChars + 1] = {};
        lstrcpynA(mac, page.m_strMacAddress.c_str(), sizeof mac);
        DWORD address = page.m_dwIpAddress;
        const int opened = Comm_UpdateConnection(0, address, mac, page.m_nMainPort, m_bUsmChannel, m_bRealTimeChannel,
                                                 page.m_nOutChannel, m_bMainChannel);
        page.m_dwIpAddress = address;
        mac[kMacAddressChars] = '\0';
        page.m_strMacAddress = mac;
        CString params;
        params.Format("IP address %d.%d.%d.%d, Output port Sel = %s, Main port = %d, Real Time Port = %d, "
                      "USM Port = %d, AutoReconnect = %s",
                      static_cast<int>((address >> 24) & 0xFF), static_cast<int>((address >> 16) & 0xFF),
                      static_cast<int>((address >> 8) & 0xFF), static_cast<int>(address & 0xFF),
                      page.m_nOutChannel ? "Real Time" : "Main", page.m_nMainPort, page.m_nRealTimePort,
                      page.m_nUsmPort, TrueFalse(page.m_bAutoReconnect == 1));
        if (!opened) {
            UpdateAllData(FALSE);
            ConnectFailed(true, CString("Open Ethernet Port failed. Params : ") + params);
            UpdateAllData(FALSE);
            return false;
        }
        AddEntry(CString("Open Ethernet Port successful. Params : ") + params);
    }
    UpdateAllData(FALSE);
    g_Transfer.SetParams(kInterfaceEthernet, 0, 0, m_bRealTimeChannel, m_bUsmChannel, 0);
    ShowInterfaceControls(kInterfaceEthernet);
    if (m_bMainChannel == 0 && m_bRealTimeChannel == 1 && page.m_nOutChannel == 1) {
        // Only the real-time channel is up and chosen: no firmware download over it.
        firmwareFlag = 0;
    } else {
        ShowItem(m_hWnd, IDC_SHOW_USM, true);
        OnShowUsm();
    }
    return true;
}

int CKestrixDlg::ConnectFailed(bool ethernetOpenFailed, const char* line)
{
    ShowInterfaceControls(m_nInterface);
    EnableFlashControls(FALSE);
    EnableReceiveControls(FALSE);
    EnableFileGroup(FALSE);
    EnableFileControls(FALSE);
    EnableStringStart(FALSE);
    EnableStringGroup(FALSE);
    EnableDlgItem(IDC_LOTTERY_PACKET, FALSE);
    EnableDlgItem(IDC_KIOSK_PACKET, FALSE);
    if (!ethernetOpenFailed)
        EnableItem(m_dlgUsb, IDC_USB_INFO, false);
    if (m_nInterface == kInterfaceSerial || m_nInterface == kInterfaceParallel) {
        ShowItem(m_hWnd, IDC_SHOW_USM, false);
        ShowUsmList(FALSE);
    } else {
        ShowItem(m_hWnd, IDC_SHOW_USM, true);
        OnShowUsm();
    }
    g_nLastInterface = m_nInterface;
    if (line)
        AddEntry(line);
    return 0;
}

void CKestrixDlg::ShowInterfaceControls(int iface)
{
    SetWindowText(BaseTitle());
    CDialog* pages[kInterfaceCount] = {&m_dlgSerial, &m_dlgUsb, &m_dlgParallel, &m_dlgEthernet};
    if (iface != kNoInterface) {
        for (int i = 0; i < kInterfaceCount; ++i)
            if (pages[i]->IsWindow())
                pages[i]->ShowWindow(i == iface ? SW_SHOW : SW_HIDE);
    }
    const bool winNT = theApp.IsWinNT() != 0;
    for (const PageControl& control : kPageControls) {
        bool enable = control.iface == iface;
        switch (control.extra) {
        case Extra::None:
            break;
        case Extra::XonXoff:
            enable = enable && m_dlgSerial.m_nFlowControl == kFlowXonXoff;
            break;
        case Extra::UsbRealTime:
        case Extra::RealTimeChannel:
            enable = enable && m_bRealTimeChannel;
            break;
        case Extra::WinNT:
            enable = enable && winNT;
            break;
        case Extra::Bidirectional:
            enable = enable && Comm_IsBidirectional();
            break;
        case Extra::MainChannel:
            enable = enable && m_bMainChannel;
            break;
        case Extra::UsmChannel:
            enable = enable && m_bUsmChannel;
            break;
        }
        EnableItem(*pages[control.iface], control.id, enable);
    }
    if (const char* caption = GetCaption(m_bRealTimeChannel ? kCaptionNormal : kCaptionNormalRealTime))
        m_dlgUsb.SetDlgItemText(IDC_USB_NORMAL, caption);
    if (m_dlgEthernet.IsWindow())
        m_dlgEthernet.SendDlgItemMessage(IDC_ETHERNET_ADDRESS, IPM_SETADDRESS, 0,
                                         static_cast<LPARAM>(m_dlgEthernet.m_dwIpAddress));
}

void CKestrixDlg::EnableInterfaceGroup(BOOL enable)
{
    EnableDlgItem(IDC_COMMUNICATION_GROUP, enable);
    ShowInterfaceControls(enable ? m_nInterface : kNoInterface);
    EnableDlgItem(IDC_IF_SERIAL, enable);
    EnableDlgItem(IDC_IF_ETHERNET, enable);
    EnableDlgItem(IDC_IF_USB, enable && theApp.IsUsbCapableOs());
    EnableDlgItem(IDC_IF_PARALLEL, enable && theApp.IsParallelCapableOs());
    EnableDlgItem(IDC_LOTTERY_PACKET, enable);
    EnableDlgItem(IDC_KIOSK_PACKET, enable);
}

bool CKestrixDlg::StopReadersBeforeDrop(bool usbHandOver)
{
    if (usbHandOver) {
        // One box for a reader that will not stop: this one (the log names which reader).
        if (g_Transfer.StopReaders(kStopReadersMs, false) != 0)
            ShowError(kErrorStopReaderThread);
    } else {
        g_Transfer.StopThreads();
    }
    if (g_Transfer.WaitReadersEnded(kReaderEndMs))
        return true;
    AddEntry("A reader thread did not end: its port stays open.\n");
    return false;
}

void CKestrixDlg::DropTransport()
{
    if (!StopReadersBeforeDrop())
        return;
    // A port whose handle is lost is not touched; Dorvane keeps its transport.
    if (!g_Transfer.IsTransportLost()) {
        Comm_BreakDownCommPort();
        Sleep(kPortCloseSettleMs);
    }
    Comm_CloseCleanuo();
}

int CKestrixDlg::ConnectUsbWithRetries()
{
    for (int attempt = 0; attempt < kUsbConnectTries; ++attempt) {
        if (ConnectPort(1))
            return 1;
        // A reader that would not stop and still runs keeps its port as it is: neither dropped nor
        // tried again. One that has ended since goes with the dropped transport, as any reader.
        if (g_Transfer.IsStopPending())
            return 0;
        DropTransport();
    }
    return 0;
}

void CKestrixDlg::SelectInterface(const char* logLine)
{
    UpdateAllData(TRUE);
    ShowInterfaceControls(m_nInterface);
    AddEntry(logLine);
    if (m_nInterface == kInterfaceUsb)
        ConnectUsbWithRetries();
    else
        ConnectPort(1);
}

void CKestrixDlg::OnSelectSerial()
{
    SelectInterface("Set Interface = RS232\n");
}

void CKestrixDlg::OnSelectUsb()
{
    SelectInterface("Set Interface = USB\n");
}

void CKestrixDlg::OnSelectParallel()
{
    SelectInterface("Set Interface = Parallel\n");
}

void CKestrixDlg::OnSelectEthernet()
{
    SelectInterface("Set Interface = Ethernet\n");
}

LRESULT CKestrixDlg::OnReconnectPort(WPARAM, LPARAM)
{
    // The dialog is closing or the transfer was aborted (a removal among others): the worker is
    // on its way out and the port is left as it is. So is a port whose handle is lost (found so
    // by the stop as well: then shown as on a connect), or one whose reader does not end (logged).
    if (WaitForSingleObject(g_TransferAbortEvent, 0) == WAIT_OBJECT_0 || g_Transfer.IsTransportLost() ||
        !StopReadersForReopen())
        return 0;
    return g_Transfer.ReconnectUsb();
}

BOOL CKestrixDlg::RegisterUsbNotification()
{
    if (g_hUsbNotify)
        return TRUE;
    DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kUsbDriverInterfaceClass;
    g_hUsbNotify = RegisterDeviceNotificationA(m_hWnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!g_hUsbNotify) {
        char text[80];
        wsprintfA(text, "RegisterDeviceNotification : Last error : %d\n", static_cast<int>(GetLastError()));
        OutputDebugStringA(text);
        return FALSE;
    }
    return TRUE;
}

BOOL CKestrixDlg::UnregisterUsbNotification()
{
    if (!g_hUsbNotify)
        return TRUE;
    const BOOL done = UnregisterDeviceNotification(g_hUsbNotify);
    g_hUsbNotify = nullptr;
    return done;
}

LRESULT CKestrixDlg::OnDeviceChange(WPARAM event, LPARAM header)
{
    if (m_nInterface != kInterfaceUsb || (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE))
        return 0;
    const char* name = UsbDeviceName(header);
    if (!name)
        return 0;
    if (m_nTransferState != kStateIdle) {
        // The printer leaves and comes back as another device when it switches to download mode;
        // the download itself reconnects it.
        if (m_nTransferState == kStateFirmware && g_pFlashDownload && g_pFlashDownload->m_bSwitchingDevice) {
            AddEntry(CString(event == DBT_DEVICEARRIVAL ? "DEVICEARRIVAL" : "DEVICEREMOVECOMPLETE") +
                     " during the switch to download mode: left to the download");
            return 0;
        }
        // The port stays as it is while the transfer may use it: a removal aborts the transfer, and
        // the change is applied once the transfer has ended (WM_XFER_DONE).
        m_nPendingDeviceEvent = event;
        m_strPendingDeviceName = name;
        if (event == DBT_DEVICEREMOVECOMPLETE) {
            SetEvent(g_TransferAbortEvent);
            AddEntry("USB device removed: the transfer is aborted.\n");
        } else {
            AddEntry("USB device arrived during a transfer: it connects once the transfer has ended.\n");
        }
        return 0;
    }
    ApplyDeviceChange(event, name);
    return 0;
}

void CKestrixDlg::ApplyPendingDeviceChange()
{
    const WPARAM event = m_nPendingDeviceEvent;
    m_nPendingDeviceEvent = 0;
    if (event && m_nInterface == kInterfaceUsb)
        ApplyDeviceChange(event, m_strPendingDeviceName);
}

void CKestrixDlg::ApplyDeviceChange(WPARAM event, const char* name)
{
    CString text;
    if (event == DBT_DEVICEARRIVAL) {
        text.Format("Kestrix V%d.%d.%d ****   -  pid=%X - connexion %s en cours", kVersionMajor, kVersionMinor,
                    kVersionRelease, static_cast<unsigned>(GetCurrentProcessId()), name);
        SetWindowText(text);
        text.Format("DEVICEARRIVAL : %s\n", name);
        OutputDebugStringA(text);
        ConnectUsbWithRetries();
        SetWindowText(BaseTitle());
    } else {
        text.Format("Kestrix V%d.%d.%d -  pid=%X - d\xE9" "connexion %s en cours", kVersionMajor, kVersionMinor,
                    kVersionRelease, static_cast<unsigned>(GetCurrentProcessId()), name);
        SetWindowText(text);
        text.Format("DEVICEREMOVECOMPLETE : %s\n", name);
        OutputDebugStringA(text);
    }
    // After an arrival the transfer controls follow the connection's result, as on every connect
    // (ConnectPort set them); a removal disables them.
    if (event == DBT_DEVICEARRIVAL)
        return;
    EnableFileControls(FALSE);
    EnableFlashControls(FALSE);
    EnableStringStart(FALSE);
    EnableStringGroup(FALSE);
    EnableDlgItem(IDC_START_FILE, FALSE);
    EnableDlgItem(IDC_START_FIRMWARE, FALSE);
    DropTransport();
}

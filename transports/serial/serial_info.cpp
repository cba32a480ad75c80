// CSerialInfo: opening, configuring and closing a serial port, its status word and settings check.
#include "serial_info.h"
#include "comm_error_args.h"
#include "port_devices.h"
#include "port_owner.h"
#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

// The comm events each flow control watches.
DWORD CommMaskFor(int flow)
{
    switch (flow) {
    case kFlowNone:
    case kFlowDsr:
    case kFlowXonXoff: return EV_DSR | EV_RLSD | EV_ERR | EV_RING;
    case kFlowCts: return EV_CTS | EV_RLSD | EV_ERR | EV_RING;
    default: return EV_CTS | EV_DSR | EV_RLSD | EV_ERR | EV_RING;
    }
}

// The error of the call that just failed; never ERROR_SUCCESS, which would read as success.
DWORD FailedCallError()
{
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

template <typename T, size_t N>
bool InTable(const T (&)[N], int index)
{
    return index >= 0 && static_cast<size_t>(index) < N;
}

}  // namespace

CSerialInfo::CSerialInfo(int isWinNT, const SerialSystem& system)
    : CCommInfo(isWinNT), m_pDcb(std::make_unique<DCB>()), m_pSystem(&system)
{
    m_hCommPortTX = m_hCommPortRX = m_hCommPortRXUsm = nullptr;
    m_dwReadTimeout = INFINITE;
    std::memset(m_szPortName, 0, sizeof m_szPortName);
    m_ctoApplied = COMMTIMEOUTS{};
    m_ctoSaved = COMMTIMEOUTS{};
    ForgetSettings();
    m_nSizeIndex = -1;
    m_bBidirectional = 1;
    m_bAsyncRead = 1;
    m_nDownloadPacketSize = m_bWinNT ? 4096 : 256;
    m_nCommPacketSize = 8;
    m_nStringPacketSize = 2;
}

CSerialInfo::~CSerialInfo()
{
    // The port itself is the client's to close; the events are this object's own.
    CloseEvents();
}

CCommInfo* CSerialInfo::Destroy(unsigned flags)
{
    return DestroyCommInfo(this, flags);
}

void CSerialInfo::ForgetSettings()
{
    m_nPortIndex = m_nBaudIndex = m_nParityIndex = m_nFlowControl = m_nDataBitsIndex = m_nStopBitsIndex = -1;
}

int CSerialInfo::Init()
{
    m_bOpened = 0;
    DCB& dcb = *m_pDcb;
    dcb = DCB{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = CBR_115200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = 1;
    dcb.fParity = 1;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = 0;
    dcb.fTXContinueOnXoff = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fNull = 0;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = 0;
    dcb.XonLim = 1;
    dcb.XoffLim = 1;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.EvtChar = 0;
    m_ctoApplied = COMMTIMEOUTS{1, 0, 0, 0, 0};
    return 1;
}

int CSerialInfo::Open(int restart, DWORD* port, char* name, int* baud, int* parity, int* flow, int* dataBits,
                      int* stopBits)
{
    // A name that does not fit would open some other port: refuse it as CreateFileA would.
    if (!name || strnlen(name, sizeof m_szPortName) >= sizeof m_szPortName) {
        ForgetSettings();
        PostError(ERROR_INVALID_NAME);
        PostNotify(2, nullptr);
        return 0;
    }
    std::memcpy(m_szPortName, name, std::strlen(name) + 1);
    m_nPortIndex = static_cast<int>(*port);
    m_nBaudIndex = *baud;
    m_nParityIndex = *parity;
    m_nFlowControl = *flow;
    m_nDataBitsIndex = *dataBits;
    m_nStopBitsIndex = *stopBits;

    if (m_nFlowControl == kFlowXonXoff)
        m_nDownloadPacketSize = 256;
    else
        m_nDownloadPacketSize = m_bWinNT ? 4096 : 256;

    Init();
    if (!CheckPortOwner()) {
        ForgetSettings();
        return 0;
    }
    SetTxFifo(1);

    int isBluetooth = 0;
    IsBluetoothPort(&isBluetooth);
    if (isBluetooth)
        m_nCommPacketSize = 256;
    else if (InTable(kPacketSizes, m_nSizeIndex))
        m_nCommPacketSize = kPacketSizes[m_nSizeIndex];

    if (!OpenPort()) {
        ForgetSettings();
        PostNotify(2, nullptr);
        return 0;
    }
    // A port whose line settings or events could not be made is no usable port: it is closed
    // again and reported like one that did not open, with the error of the call that failed.
    auto fail = [this](DWORD error) {
        PostError(error);
        PostNotify(2, nullptr);
        Close();
        ForgetSettings();
        return 0;
    };
    if (DWORD error = ApplyCommState())
        return fail(error);
    if (DWORD error = CreateEvents())
        return fail(error);
    SetCommMask(m_hCommPortRX, CommMaskFor(m_nFlowControl));
    return 1;
}

DWORD CSerialInfo::CreateEvents()
{
    CloseEvents();  // from an earlier Open without Close
    DWORD error = ERROR_SUCCESS;
    for (OVERLAPPED* ov : {&m_OverlappedRX, &m_OverlappedTX}) {
        ov->hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!ov->hEvent && error == ERROR_SUCCESS)
            error = FailedCallError();
    }
    return error;
}

bool CSerialInfo::LoadLineSettings()
{
    if (!InTable(kBaudRates, m_nBaudIndex) || !InTable(kParityValues, m_nParityIndex) ||
        !InTable(kDataBits, m_nDataBitsIndex) || !InTable(kStopBits, m_nStopBitsIndex))
        return false;
    DCB& dcb = *m_pDcb;
    dcb.BaudRate = kBaudRates[m_nBaudIndex];
    dcb.Parity = kParityValues[m_nParityIndex];
    dcb.ByteSize = kDataBits[m_nDataBitsIndex];
    dcb.StopBits = kStopBits[m_nStopBitsIndex];

    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fOutX = 0;
    m_dwReadTimeout = INFINITE;
    switch (m_nFlowControl) {
    case kFlowNone: break;
    case kFlowDsr: dcb.fOutxDsrFlow = 1; break;
    case kFlowCts: dcb.fOutxCtsFlow = 1; break;
    case kFlowXonXoff:
        dcb.fOutX = 1;
        m_dwReadTimeout = 100;
        break;
    default:  // DSR/CTS, and any other value
        dcb.fOutxCtsFlow = 1;
        dcb.fOutxDsrFlow = 1;
        break;
    }
    return true;
}

int CSerialInfo::CheckPortOwner()
{
    char portWithColon[sizeof m_szPortName + 1];
    std::snprintf(portWithColon, sizeof portWithColon, "%s:", m_szPortName);
    char printer[sizeof g_CommErrorArgs.detail];
    if (!FindPortPrinter(*this, *m_pSystem, portWithColon, printer, sizeof printer)) {
        PostCommErrorWithArgs(*this, 1, m_szPortName, printer);
        return 0;
    }
    if (!LoadLineSettings()) {
        PostError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return 1;
}

int CSerialInfo::OpenPort()
{
    char path[sizeof m_szPortName + 4];
    std::snprintf(path, sizeof path, "\\\\.\\%s", m_szPortName);
    HANDLE port = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        PostError(GetLastError());
        return 0;
    }
    m_hCommPortTX = m_hCommPortRX = port;
    return 1;
}

DWORD CSerialInfo::ApplyCommState()
{
    DCB current{};
    current.DCBlength = sizeof current;
    if (!GetCommState(m_hCommPortTX, &current))
        return FailedCallError();
    const DCB& want = *m_pDcb;
    current.DCBlength = want.DCBlength;
    current.BaudRate = want.BaudRate;
    current.ByteSize = want.ByteSize;
    current.Parity = want.Parity;
    current.StopBits = want.StopBits;
    current.EvtChar = want.EvtChar;
    current.XonChar = want.XonChar;
    current.XoffChar = want.XoffChar;
    current.XonLim = want.XonLim;
    current.XoffLim = want.XoffLim;
    current.fBinary = want.fBinary;
    current.fParity = want.fParity;
    current.fDtrControl = want.fDtrControl;
    current.fRtsControl = want.fRtsControl;
    current.fOutxCtsFlow = want.fOutxCtsFlow;
    current.fOutxDsrFlow = want.fOutxDsrFlow;
    current.fDsrSensitivity = want.fDsrSensitivity;
    current.fOutX = want.fOutX;
    current.fInX = want.fInX;
    current.fTXContinueOnXoff = want.fTXContinueOnXoff;
    current.fNull = want.fNull;
    current.fAbortOnError = want.fAbortOnError;
    if (!m_pSystem->SetCommState(m_hCommPortTX, &current))
        return FailedCallError();
    GetCommTimeouts(m_hCommPortTX, &m_ctoSaved);
    if (!SetCommTimeouts(m_hCommPortTX, &m_ctoApplied))
        return FailedCallError();
    // The queue sizes are only a recommendation: some virtual COM drivers refuse them and move data
    // fine. The refusal is reported, and the port is used.
    if (!m_pSystem->SetupComm(m_hCommPortTX, 16384, 16384))
        PostError(FailedCallError());
    EscapeCommFunction(m_hCommPortTX, SETDTR);
    EscapeCommFunction(m_hCommPortTX, SETRTS);
    return ERROR_SUCCESS;
}

void CSerialInfo::CloseEvents()
{
    for (OVERLAPPED* ov : {&m_OverlappedRX, &m_OverlappedTX}) {
        if (ov->hEvent) CloseHandle(ov->hEvent);
        ov->hEvent = nullptr;
    }
}

int CSerialInfo::Close()
{
    HANDLE port = m_hCommPortRX ? m_hCommPortRX : m_hCommPortTX;
    if (port) {
        EscapeCommFunction(port, CLRDTR);
        EscapeCommFunction(port, CLRRTS);
        SetCommTimeouts(port, &m_ctoSaved);
        PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    }
    if (m_hCommPortTX && m_hCommPortTX != m_hCommPortRX) CloseHandle(m_hCommPortTX);
    m_hCommPortTX = nullptr;
    if (m_hCommPortRX) CloseHandle(m_hCommPortRX);
    m_hCommPortRX = nullptr;
    if (m_hCommPortRXUsm) CloseHandle(m_hCommPortRXUsm);
    m_hCommPortRXUsm = nullptr;
    CloseEvents();
    return 1;
}

BOOL CSerialInfo::Write(HANDLE h, const void* data, DWORD length, DWORD* written, OVERLAPPED* ov)
{
    return WriteFile(h, data, length, written, ov);
}

BOOL CSerialInfo::Read(HANDLE h, void* buffer, DWORD length, DWORD* read, OVERLAPPED* ov)
{
    return ReadFile(h, buffer, length, read, ov);
}

int CSerialInfo::RequestStatus(void*, DWORD, DWORD* result, OVERLAPPED* ov)
{
    if (m_pSystem->WaitCommEvent(m_hCommPortRX, result, ov)) return 1;
    return GetLastError() == ERROR_IO_PENDING ? 3 : 0;
}

int CSerialInfo::DecodeStatus(void*, DWORD, DWORD* status)
{
    if (m_nFlowControl < kFlowNone || m_nFlowControl > kFlowXonXoff) return 1;
    if (!m_pSystem->GetCommModemStatus(m_hCommPortRX, status)) return 0;
    if (m_nFlowControl == kFlowXonXoff) {
        DWORD errors = 0;
        COMSTAT stat{};
        if (!m_pSystem->ClearCommError(m_hCommPortRX, &errors, &stat)) return 0;
        if (stat.fXoffHold)
            *status &= ~kStatusNotXoffHeld;
        else
            *status |= kStatusNotXoffHeld;
    }
    return 1;
}

int CSerialInfo::EnumDevices(int*, int*, const char* prefix, int* count, PortRow* rows)
{
    return ListPorts(prefix, count, rows);
}

int CSerialInfo::CheckSettings(DWORD port, int sizeIndex, int baud, int parity, int flow, int dataBits, int stopBits)
{
    m_nSizeIndex = sizeIndex;
    // "Unchanged" means the port is still open: a closed one (after Close, or an Open that
    // failed) has to be opened again whatever its settings.
    if (!m_hCommPortRX) return 2;
    if (m_nPortIndex == static_cast<int>(port) && m_nBaudIndex == baud && m_nParityIndex == parity &&
        m_nFlowControl == flow && m_nDataBitsIndex == dataBits && m_nStopBitsIndex == stopBits)
        return 0;
    for (int setting : {m_nPortIndex, m_nBaudIndex, m_nParityIndex, m_nFlowControl, m_nDataBitsIndex, m_nStopBitsIndex})
        if (setting == -1) return 2;
    return 1;
}

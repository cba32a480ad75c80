// CParallelInfo: opening and closing a parallel port, transfers, the device-ID probe and the status
// poll's requests, the settings check and the properties report.
#include "parallel_info.h"
#include "append_format.h"
#include "comm_error_args.h"
#include "device_id_report.h"
#include "driver_access.h"
#include "hex_dump.h"
#include "line_status.h"
#include "overlapped_request.h"
#include "parallel_codes.h"
#include "port_devices.h"
#include "port_owner.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr int kErrorPortOwned = 1;
constexpr int kErrorPortHandle = 2;
constexpr int kErrorDriverMissing = 16;

constexpr DWORD kProbeWaitMs = 5000;        // Open's device-ID probe
constexpr DWORD kReportWaitMs = 2000;       // the report's device ID, asked of the status poll
constexpr DWORD kWakeByteWaitMs = 1000;     // the byte written ahead of a device-ID request
constexpr DWORD kDriverIdBufferSize = 2047;

HANDLE NewManualEvent() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

}  // namespace

CParallelInfo::CParallelInfo(int isWinNT, const SerialSystem& system)
    : CCommInfo(isWinNT), m_nPortIndex(-1), m_szPortName{}, m_nRequest(kRequestNone), m_dwLastIoctl(0),
      m_abReply{}, m_nReplyLength(0), m_hRequestDone(NewManualEvent()), m_pSystem(&system)
{
    if (!m_bWinNT) m_pParDrv = std::make_unique<CParDrv>();
    m_hCommPortTX = m_hCommPortRX = m_hCommPortRXUsm = nullptr;
    m_dwReadTimeout = INFINITE;
    m_nDownloadPacketSize = 4096;
    m_nCommPacketSize = 256;
    m_nStringPacketSize = 4096;
    m_bBidirectional = 0;
    m_bAsyncRead = m_bWinNT ? 1 : 0;
    Init();
}

CParallelInfo::~CParallelInfo()
{
    ReleaseDriver();
    m_bOpened = 0;
    CloseEvents();
    if (m_hRequestDone) CloseHandle(m_hRequestDone);
}

CCommInfo* CParallelInfo::Destroy(unsigned flags)
{
    return DestroyCommInfo(this, flags);
}

int CParallelInfo::Init()
{
    m_bOpened = 0;
    return 1;
}

int CParallelInfo::CheckSettings(DWORD port, int sizeIndex, int, int, int, int, int)
{
    if (sizeIndex >= 0 && sizeIndex < kPacketSizeCount) m_nCommPacketSize = kPacketSizes[sizeIndex];
    if (m_nPortIndex == -1) return 2;
    // "Unchanged" means still open: a port closed since (or whose Open failed) is opened again.
    bool open = DriverMode() ? m_bOpened && m_pParDrv->IsOpen() : m_hCommPortRX != nullptr;
    if (!open) return 2;
    return static_cast<int>(port) == m_nPortIndex ? 0 : 1;
}

int CParallelInfo::Open(int, DWORD* port, char* name, int*, int*, int*, int*, int*)
{
    std::snprintf(m_szPortName, sizeof m_szPortName, "%s", name ? name : "");
    m_nPortIndex = port ? static_cast<int>(*port) : -1;
    m_nDownloadPacketSize = 4096;
    Init();
    int opened = CheckPortOwner() ? (DriverMode() ? OpenDriverPort() : OpenSystemPort()) : 0;
    // A port that did not open counts as never opened: the next check asks for an Open again.
    if (!opened) m_nPortIndex = -1;
    return opened;
}

int CParallelInfo::CheckPortOwner()
{
    char portWithColon[sizeof m_szPortName + 1];
    std::snprintf(portWithColon, sizeof portWithColon, "%s:", m_szPortName);
    char printer[256] = {};
    if (!FindPortPrinter(*this, *m_pSystem, portWithColon, printer, sizeof printer)) {
        PostCommErrorWithArgs(*this, kErrorPortOwned, m_szPortName, printer);
        return 0;
    }
    m_dwReadTimeout = INFINITE;
    if (DriverMode()) {
        m_pParDrv->m_nPortNumber = static_cast<uint16_t>(m_nPortIndex + 1);
        m_pParDrv->m_bModeFlag = 0;
    }
    return 1;
}

int CParallelInfo::OpenPort()
{
    char path[sizeof m_szPortName + 8];
    std::snprintf(path, sizeof path, "\\\\.\\%s", m_szPortName);
    HANDLE port = standin::Driver().OpenDevice(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING,
                                               FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL);
    m_bBidirectional = 0;
    if (port == INVALID_HANDLE_VALUE) {
        PostError(GetLastError());
        return 0;
    }
    m_hCommPortTX = m_hCommPortRX = port;
    return 1;
}

int CParallelInfo::OpenSystemPort()
{
    if (!OpenPort()) {
        PostNotify(kErrorPortHandle, nullptr);
        return 0;
    }
    m_nRequest = kRequestNone;
    m_dwLastIoctl = 0;
    m_nReplyLength = 0;
    if (m_hRequestDone) ResetEvent(m_hRequestDone);
    m_abReply[0] = 0;

    CloseEvents();
    m_OverlappedRX.hEvent = NewManualEvent();
    m_OverlappedTX.hEvent = NewManualEvent();
    m_bBidirectional = 0;

    // The device-ID probe: a printer that answers with an ID can also send.
    if (m_hRequestDone) ResetEvent(m_hRequestDone);
    m_nRequest = kRequestDeviceId;
    auto* probe = new (std::nothrow) OwnedRequest(kParallelReplySize);
    if (!probe || !probe->record.hEvent) {
        delete probe;
        return 1;
    }
    DWORD count = 0;
    int issued = RequestStatus(probe->reply.data(), kParallelReplySize, &count, &probe->record);
    if (issued == 3) {
        // No answer in time: the port stays open, one-way.
        const RequestEnd end = EndRequest(m_hCommPortRX, &probe->record, kProbeWaitMs);
        if (end.kept) {
            PostError(ERROR_TIMEOUT);   // the driver kept the request: it keeps its memory
            return 1;
        }
        if (!end.inTime || !end.succeeded) {
            delete probe;
            return 1;
        }
        count = end.done;
    } else if (issued != 1) {
        delete probe;
        return 1;
    }
    DWORD word = 0;
    if (DecodeStatus(probe->reply.data(), count, &word) && m_nReplyLength >= 3) m_bBidirectional = 1;
    delete probe;
    return 1;
}

int CParallelInfo::OpenDriverPort()
{
    // A driver still open from an earlier Open is let go first: the device takes one opener.
    ReleaseDriver();
    // A driver that did not open leaves the port closed.
    if (!m_pParDrv->InitPort(0)) {
        PostError(GetLastError());
        PostNotify(kErrorDriverMissing, nullptr);
        return 0;
    }
    m_bOpened = 1;
    CloseEvents();
    m_OverlappedRX.hEvent = NewManualEvent();
    m_OverlappedTX.hEvent = NewManualEvent();
    m_bBidirectional = 0;

    uint8_t id[kParallelReplySize];
    DWORD count = 0;
    if (!m_pParDrv->ReadDeviceId(id, sizeof id, &count)) {
        // The open fails with its cause, and the driver is let go again.
        PostError(GetLastError());
        ReleaseDriver();
        m_bOpened = 0;
        return 0;
    }
    if (count >= 3) m_bBidirectional = 1;
    return 1;
}

void CParallelInfo::ReleaseDriver()
{
    if (!m_pParDrv || !m_pParDrv->IsOpen()) return;
    m_pParDrv->PlainRequest(kParCloseFirst);
    m_pParDrv->PlainRequest(kParCloseSecond);
    m_pParDrv->PlainRequest(kParCloseThird);
    m_pParDrv->ShutdownPort();
}

void CParallelInfo::CloseEvents()
{
    for (OVERLAPPED* ov : {&m_OverlappedRX, &m_OverlappedTX}) {
        if (ov->hEvent) CloseHandle(ov->hEvent);
        ov->hEvent = nullptr;
    }
}

int CParallelInfo::Close()
{
    if (m_hCommPortTX && m_hCommPortTX != m_hCommPortRX) standin::Driver().CloseDevice(m_hCommPortTX);
    if (m_hCommPortRX) standin::Driver().CloseDevice(m_hCommPortRX);
    if (m_hCommPortRXUsm) standin::Driver().CloseDevice(m_hCommPortRXUsm);
    m_hCommPortTX = m_hCommPortRX = m_hCommPortRXUsm = nullptr;
    // Closing releases the port in either mode, so another program (or the next Open) may have it.
    ReleaseDriver();
    m_bOpened = 0;
    CloseEvents();
    return 1;
}

BOOL CParallelInfo::Write(HANDLE h, const void* data, DWORD length, DWORD* written, OVERLAPPED* ov)
{
    if (!DriverMode()) return WriteFile(h, data, length, written, ov);
    DWORD count = 0;
    BOOL ok = m_pParDrv->WriteData(data, length, &count);
    if (written) *written = ok ? count : 0;
    return ok;
}

BOOL CParallelInfo::Read(HANDLE h, void* buffer, DWORD length, DWORD* read, OVERLAPPED* ov)
{
    if (!DriverMode()) return ReadFile(h, buffer, length, read, ov);
    DWORD count = 0;
    BOOL ok = m_pParDrv->ReadData(buffer, length, &count);
    if (read) *read = ok ? count : 0;
    return ok;
}

void CParallelInfo::WakePort()
{
    // Its own record: the caller's one is about to carry the device-ID request, and one record
    // must not carry two requests at a time.
    auto* wake = new (std::nothrow) OwnedRequest(0);
    if (!wake || !wake->record.hEvent) {
        delete wake;
        return;
    }
    static const uint8_t zero = 0;
    DWORD written = 0;
    if (!Write(m_hCommPortTX, &zero, 1, &written, &wake->record) && GetLastError() == ERROR_IO_PENDING &&
        EndRequest(m_hCommPortTX, &wake->record, kWakeByteWaitMs).kept) {
        PostError(ERROR_TIMEOUT);   // the driver kept the write: it keeps its record
        return;
    }
    delete wake;
}

int CParallelInfo::RequestStatus(void* buffer, DWORD length, DWORD* result, OVERLAPPED* ov)
{
    if (DriverMode()) return 1;
    int request = m_nRequest.load();
    uint32_t code = 0;
    uint8_t input = 0;
    DWORD inputLength = 0;
    switch (request) {
    case kRequestLineStatus: code = kIoctlParQueryInformation; break;
    case kRequestDeviceId:
        WakePort();
        Sleep(10);
        code = kIoctlParQueryDeviceId;
        break;
    case kRequestCapabilities: code = kIoctlParGetDeviceCaps; break;
    case kRequestInitialise:
        code = kIoctlParSetInformation;
        input = kParallelInit;
        inputLength = 1;
        break;
    default: return 0;
    }
    m_dwLastIoctl = code;
    m_nRequest = kRequestNone;
    if (standin::Driver().IoControl(m_hCommPortTX, code, inputLength ? &input : nullptr, inputLength, buffer, length,
                                    result, ov))
        return 1;
    return GetLastError() == ERROR_IO_PENDING ? 3 : 0;
}

int CParallelInfo::DecodeStatus(void* buffer, DWORD length, DWORD* status)
{
    if (DriverMode()) return 0;
    DWORD code = m_dwLastIoctl;
    m_dwLastIoctl = 0;
    const auto* reply = static_cast<const uint8_t*>(buffer);
    size_t kept = std::min<size_t>(length, sizeof m_abReply);
    switch (code) {
    case kIoctlParQueryInformation:
        if (length != 1 || !reply) return 0;
        if (status) *status = LineStatusWord(reply[0]);
        return 1;
    case kIoctlParGetDeviceCaps:
        if (reply && kept) std::memcpy(m_abReply, reply, kept);
        m_nReplyLength = reply ? static_cast<unsigned>(kept) : 0;
        break;
    case kIoctlParQueryDeviceId:
        if (reply && length > 1) {
            std::memcpy(m_abReply, reply, kept);
            m_nReplyLength = static_cast<unsigned>(kept);
        } else {
            m_nReplyLength = 0;
        }
        break;
    default:
        if (m_hRequestDone) SetEvent(m_hRequestDone);
        return 1;
    }
    m_nRequest = kRequestNone;
    if (m_hRequestDone) SetEvent(m_hRequestDone);
    return 1;
}

int CParallelInfo::EnumDevices(int*, int*, const char* prefix, int* count, PortRow* rows)
{
    return ListPorts(prefix, count, rows);
}

int CParallelInfo::GetProperties(char* text)
{
    if (!text) return 0;
    const size_t capacity = kPropertiesChars;
    AppendFormat(text, capacity, "*************************************************\r\n");
    AppendFormat(text, capacity, "*            PARALLEL DEVICE PROPERTIES         *\r\n");
    AppendFormat(text, capacity, "*************************************************\r\n\r\n");
    AppendFormat(text, capacity, "\r\n************ IEEE1284 DEVICE ID STRING **********************\r\n\r\n");
    return DriverMode() ? DriverProperties(text, capacity) : SystemPortProperties(text, capacity);
}

int CParallelInfo::DriverProperties(char* text, size_t capacity)
{
    // One byte more than the driver is given, so the text after the length always ends.
    uint8_t id[kDriverIdBufferSize + 1] = {};
    DWORD count = 0;
    if (!m_pParDrv->ReadDeviceId(id, kDriverIdBufferSize, &count)) {
        AppendFormat(text, capacity, "ERROR GETTING DEVICE ID");
        return 0;
    }
    int textLength = count > 2 ? static_cast<int>(strnlen(reinterpret_cast<const char*>(id + 2), count - 2)) : 0;
    AppendFormat(text, capacity, "%.*s\r\n\r\n", textLength, reinterpret_cast<const char*>(id + 2));
    HexDump(0, 1, 0, 0, text, capacity, id, count);
    AppendFormat(text, capacity, "\r\n************ DEVICE CAPABILITIES *************************\r\n");
    uint32_t capabilities = 0;
    if (!m_pParDrv->GetCapabilities(&capabilities)) {
        AppendFormat(text, capacity, "ERROR GETTING DEVICE CAPABILITIES");
        return 0;
    }
    AppendFormat(text, capacity, (capabilities & 1) ? " ECR found\r\n" : " ECR not found\r\n");
    return 1;
}

int CParallelInfo::SystemPortProperties(char* text, size_t capacity)
{
    // The status poll issues the request; one report waits at a time.
    if (m_nRequest.load() != kRequestNone) return 0;
    if (m_hRequestDone) ResetEvent(m_hRequestDone);
    int none = kRequestNone;
    if (!m_nRequest.compare_exchange_strong(none, kRequestDeviceId)) return 0;
    if (!m_hRequestDone || WaitForSingleObject(m_hRequestDone, kReportWaitMs) != WAIT_OBJECT_0) {
        AppendFormat(text, capacity, "get device ID timeout error");
        int placed = kRequestDeviceId;
        m_nRequest.compare_exchange_strong(placed, kRequestNone);
        return 1;
    }
    if (m_nReplyLength == 0) return 1;
    AppendDeviceIdReport(text, capacity, m_abReply, m_nReplyLength);
    return 1;
}

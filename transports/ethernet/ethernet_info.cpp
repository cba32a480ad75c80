// CEthernetInfo: the three TCP channels, Write and Read on them and the settings check.
#include "ethernet_info.h"

#include "device_protocol.h"

#include <iphlpapi.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

CEthernetInfo::CEthernetInfo(int isWinNT)
    : CCommInfo(isWinNT),
      m_dwIpAddress(0xFFFFFFFF),
      m_nMainPort(0),
      m_nRealTimePort(0),
      m_nUsmPort(0),
      m_nOutputChannel(0),
      m_bMainUp(0),
      m_bRealTimeUp(0),
      m_bUsmUp(0),
      m_nSizeIndex(-1),
      m_pMainSocket(nullptr),
      m_pRealTimeSocket(nullptr),
      m_pUsmSocket(nullptr),
      m_pUdpSocket(nullptr)
{
    m_nDownloadPacketSize = 16384;
    m_nStringPacketSize = 16384;
    m_nCommPacketSize = 4096;
    m_bBidirectional = 1;
    m_bAsyncRead = 1;
    // Read never leaves anything pending; a client that waits anyway must not wait forever.
    m_dwReadTimeout = 100;
    m_hCommPortTX = m_hCommPortRX = m_hCommPortRXUsm = nullptr;
}

CEthernetInfo::~CEthernetInfo()
{
    Close();
}

CCommInfo* CEthernetInfo::Destroy(unsigned flags)
{
    return DestroyCommInfo(this, flags);
}

int CEthernetInfo::Init()
{
    m_hCommPortTX = m_hCommPortRX = m_hCommPortRXUsm = nullptr;
    m_bOpened = 0;
    return 1;
}

void CEthernetInfo::DropSocket(CTcpSocket*& socket)
{
    if (socket) {
        socket->Disconnect();
        delete socket;
        socket = nullptr;
    }
}

void CEthernetInfo::DropUdpSocket()
{
    if (m_pUdpSocket) {
        m_pUdpSocket->Disconnect();
        delete m_pUdpSocket;
        m_pUdpSocket = nullptr;
    }
}

void CEthernetInfo::CloseEvents()
{
    for (OVERLAPPED* ov : {&m_OverlappedRX, &m_OverlappedTX}) {
        if (ov->hEvent) {
            CloseHandle(ov->hEvent);
            ov->hEvent = nullptr;
        }
    }
}

int CEthernetInfo::Close()
{
    DropSocket(m_pMainSocket);
    DropSocket(m_pRealTimeSocket);
    DropSocket(m_pUsmSocket);
    DropUdpSocket();
    m_hCommPortTX = m_hCommPortRX = m_hCommPortRXUsm = nullptr;   // pseudo-handles: nothing to close
    CloseEvents();
    return 1;
}

int CEthernetInfo::CheckSettings(DWORD ip, int sizeIndex, int mainPort, int outputChannel, int realTimePort,
                                 int usmPort, int)
{
    if (sizeIndex >= 0 && sizeIndex < kPacketSizeCount) {
        m_nSizeIndex = sizeIndex;
        m_nCommPacketSize = kPacketSizes[sizeIndex];
    }
    // Unchanged only while the main channel, the chosen output channel and a USM channel that
    // connected are all still up: a channel the printer closed is opened again.
    const bool mainUp = StillUp(m_pMainSocket);
    const bool outputUp = StillUp(OutputSocket());
    const bool usmUp = !m_pUsmSocket || StillUp(m_pUsmSocket);
    if (ip == m_dwIpAddress && mainPort == m_nMainPort && outputChannel == m_nOutputChannel &&
        realTimePort == m_nRealTimePort && usmPort == m_nUsmPort && mainUp && outputUp && usmUp)
        return 0;
    return m_dwIpAddress == 0xFFFFFFFF ? 2 : 1;
}

bool CEthernetInfo::StillUp(CTcpSocket* socket)
{
    if (!socket)
        return false;
    if (socket->IsUp())
        return true;
    // Closed by the printer with no reader to learn of it (the real-time channel has none): its
    // cause is posted here, unless the channel's reader or writer did already.
    ReportChannelDown(*socket, static_cast<DWORD>(socket->m_nDownCause ? socket->m_nDownCause : WSAEDISCON));
    return false;
}

void CEthernetInfo::ReportChannelDown(CTcpSocket& socket, DWORD cause)
{
    socket.m_nState = 0;
    if (socket.TakeFailureToReport())
        PostError(cause);
}

void CEthernetInfo::FlushArpCache()
{
    // A printer that just took a new address must not be looked for at a stale MAC address.
    ULONG size = 1;
    std::vector<uint8_t> table(size);
    if (GetIfTable(reinterpret_cast<MIB_IFTABLE*>(table.data()), &size, FALSE) != ERROR_INSUFFICIENT_BUFFER)
        return;
    table.resize(size);
    auto* interfaces = reinterpret_cast<MIB_IFTABLE*>(table.data());
    if (GetIfTable(interfaces, &size, FALSE) != NO_ERROR)
        return;
    for (DWORD i = 0; i < interfaces->dwNumEntries; ++i)
        if (FlushIpNetTable(interfaces->table[i].dwIndex) != NO_ERROR)
            return;
}

std::string CEthernetInfo::LookUpMac() const
{
    ULONG mac[2] = {};
    ULONG size = sizeof mac;
    if (SendARP(htonl(m_dwIpAddress), 0, mac, &size) != NO_ERROR || size < device_protocol::kMacSize)
        return {};
    uint8_t bytes[device_protocol::kMacSize];
    std::memcpy(bytes, mac, sizeof bytes);
    return device_protocol::MacText(bytes);
}

int CEthernetInfo::ConnectChannel(CTcpSocket*& socket, int port, const char* openedTrace,
                                  const char* failedTrace)
{
    DropSocket(socket);
    socket = new CTcpSocket;
    if (socket->ConnectWait(m_strIpAddress.c_str(), port)) {
        OutputDebugStringA(openedTrace);
        return 1;
    }
    PostError(GetLastError());
    OutputDebugStringA(failedTrace);
    DropSocket(socket);
    return 0;
}

int CEthernetInfo::ConnectChannels()
{
    if (!CAsyncSocket::SocketInit()) {
        PostNotify(kCommErrorEthernetInit, nullptr);
        return 0;
    }
    m_bMainUp = ConnectChannel(m_pMainSocket, m_nMainPort, "* main port opened\r\n", "** failure to open main port\r\n");
    if (m_bMainUp)
        m_hCommPortRX = kMainHandle;
    m_bRealTimeUp =
        ConnectChannel(m_pRealTimeSocket, m_nRealTimePort, "* RT port opened\r\n", "** failure to open RT port\r\n");
    // Only one channel up: it is the output, whatever was asked.
    if (m_bMainUp && !m_bRealTimeUp)
        m_nOutputChannel = 0;
    else if (!m_bMainUp && m_bRealTimeUp)
        m_nOutputChannel = 1;
    // The real-time socket is kept only once it is known to be the output (its flag stays 1).
    if (m_nOutputChannel != 1)
        DropSocket(m_pRealTimeSocket);
    m_bUsmUp = ConnectChannel(m_pUsmSocket, m_nUsmPort, "* USM port opened\r\n", "** failure to open USM port\r\n");
    if (m_bUsmUp)
        m_hCommPortRXUsm = kUsmHandle;
    return 1;
}

int CEthernetInfo::Open(int, DWORD* ip, char* macText, int* mainPort, int* usmPort, int* realTimePort,
                        int* outputChannel, int* mainUp)
{
    if (!ip || !mainPort || !usmPort || !realTimePort || !outputChannel) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    m_nDownloadPacketSize = 16384;
    m_dwIpAddress = *ip;
    char address[16];
    snprintf(address, sizeof address, "%u.%u.%u.%u", unsigned(m_dwIpAddress >> 24) & 0xFF,
             unsigned(m_dwIpAddress >> 16) & 0xFF, unsigned(m_dwIpAddress >> 8) & 0xFF, unsigned(m_dwIpAddress) & 0xFF);
    m_strIpAddress = address;
    m_nMainPort = *mainPort;
    m_nUsmPort = *usmPort;
    m_nRealTimePort = *realTimePort;
    m_nOutputChannel = *outputChannel;
    Init();
    CloseEvents();   // a reopen without Close must not leak the previous pair
    FlushArpCache();

    if (!ConnectChannels()) {
        if (macText)
            macText[0] = '\0';
        return 0;
    }
    if (macText)
        snprintf(macText, kMacTextChars, "%s", LookUpMac().c_str());
    m_OverlappedRX.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_OverlappedTX.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    if (mainUp)
        *mainUp = m_bMainUp;
    *realTimePort = m_bRealTimeUp;
    *usmPort = m_bUsmUp;
    *outputChannel = m_nOutputChannel;
    CTcpSocket* output = OutputSocket();
    return output && output->m_nState == 1 ? 1 : 0;
}

CTcpSocket* CEthernetInfo::OutputSocket() const
{
    switch (m_nOutputChannel) {
    case 0: return m_pMainSocket;
    case 1: return m_pRealTimeSocket;
    default: return nullptr;
    }
}

BOOL CEthernetInfo::Write(HANDLE, const void* data, DWORD length, DWORD* written, OVERLAPPED* ov)
{
    if (written)
        *written = 0;
    CTcpSocket* socket = OutputSocket();
    if (!socket || socket->m_nState != 1) {
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    // The send runs on the caller's thread; nothing is ever pending on the record. Its event only
    // ends a wait for room: the client sets it to stop a write to a printer that takes nothing.
    const HANDLE stop = ov ? ov->hEvent : nullptr;
    const auto* bytes = static_cast<const uint8_t*>(data);
    DWORD sent = 0;
    DWORD lastProgress = GetTickCount();
    while (sent < length) {
        DWORD chunk = length - sent;
        int n = socket->Send(bytes + sent, chunk > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(chunk), 0, stop);
        if (n > 0) {
            sent += static_cast<DWORD>(n);
            lastProgress = GetTickCount();
            continue;
        }
        int error = n < 0 ? WSAGetLastError() : 0;
        if (n < 0 && error == WSA_OPERATION_ABORTED) {
            // Stopped by the client: nothing failed, and the channel stays up.
            if (written)
                *written = sent;
            SetLastError(ERROR_OPERATION_ABORTED);
            return FALSE;
        }
        if (n < 0 && error != WSAEWOULDBLOCK) {
            // The connection is broken: the next settings check asks for a reopen.
            ReportChannelDown(*socket, static_cast<DWORD>(error));
            if (written)
                *written = sent;
            SetLastError(static_cast<DWORD>(error));
            return FALSE;
        }
        // A printer that takes nothing for this long will not: report it instead of hanging the writer.
        if (GetTickCount() - lastProgress >= kSendStallMs) {
            PostError(WSAETIMEDOUT);
            if (written)
                *written = sent;
            SetLastError(WSAETIMEDOUT);
            return FALSE;
        }
    }
    if (written)
        *written = length;
    return TRUE;
}

BOOL CEthernetInfo::Read(HANDLE which, void* buffer, DWORD length, DWORD* read, OVERLAPPED*)
{
    CTcpSocket* socket = which == kMainHandle ? m_pMainSocket : which == kUsmHandle ? m_pUsmSocket : nullptr;
    if (!socket || !buffer || !read) {
        SetLastError(ERROR_READ_FAULT);
        return FALSE;
    }
    int n = socket->Receive(buffer, length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(length), 0);
    if (n >= 0) {
        *read = static_cast<DWORD>(n);
        Sleep(10);
        return TRUE;
    }
    *read = 0;
    int error = WSAGetLastError();
    Sleep(10);
    if (error == WSAEWOULDBLOCK) {
        SetLastError(ERROR_SUCCESS);
        return TRUE;   // nothing to read after all: the reader goes on polling
    }
    // The channel is down: the client's next settings check reopens it. Its cause is posted once,
    // however often a poller reads the dead channel before that.
    ReportChannelDown(*socket, static_cast<DWORD>(error));
    SetLastError(static_cast<DWORD>(error));
    return FALSE;
}

int CEthernetInfo::RequestStatus(void*, DWORD, DWORD*, OVERLAPPED*)
{
    return 1;   // the printer's status comes in on the USM channel
}

int CEthernetInfo::DecodeStatus(void*, DWORD, DWORD*)
{
    return 1;
}

// CUdpSocket: broadcast socket creation and sending of one datagram.
#include "udp_socket.h"

#include <cstdio>
#include <cstring>

CUdpSocket::CUdpSocket() : m_nState(0), m_abCommand{}, m_nSent(0), m_nCommandLength(0), m_nPort(0) {}

CUdpSocket::~CUdpSocket()
{
    Close();
}

int CUdpSocket::CreateBroadcast(const char* host, int port)
{
    m_strHost = host ? host : "";
    m_nPort = port;
    if (!Create(0, SOCK_DGRAM, FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE, nullptr))
        return 0;
    // Without it every send to the broadcast address fails with WSAEACCES.
    BOOL on = TRUE;
    if (!SetSockOpt(SO_BROADCAST, &on, sizeof on)) {
        int error = WSAGetLastError();
        Close();
        WSASetLastError(error);
        return 0;
    }
    m_nState = 1;
    return 1;
}

bool CUdpSocket::SetCommand(const void* data, int length)
{
    if (length < 0 || static_cast<size_t>(length) > sizeof m_abCommand) {
        WSASetLastError(WSAEMSGSIZE);
        return false;
    }
    std::memcpy(m_abCommand, data, static_cast<size_t>(length));
    m_nCommandLength = length;
    m_nSent = 0;
    return true;
}

int CUdpSocket::SendPending()
{
    while (m_nSent < m_nCommandLength) {
        int n = SendTo(m_abCommand + m_nSent, m_nCommandLength - m_nSent, static_cast<UINT>(m_nPort), nullptr);
        if (n == SOCKET_ERROR)
            return WSAGetLastError() == WSAEWOULDBLOCK ? 1 : 0;
        m_nSent += n;
    }
    return 1;
}

int CUdpSocket::Disconnect()
{
    ShutDownAndClose(10);
    return 1;
}

void CUdpSocket::OnReceive(int errorCode)
{
    char line[160];
    snprintf(line, sizeof line, "** OnReceive Event, Udp Socket = %s / Port %d, error code = %d\r\n",
             m_strHost.c_str(), m_nPort, errorCode);
    OutputDebugStringA(line);
}

void CUdpSocket::OnClose(int errorCode)
{
    char line[160];
    snprintf(line, sizeof line, "** OnClose Event, Udp Socket = %s / Port %d, error code = %d\r\n",
             m_strHost.c_str(), m_nPort, errorCode);
    OutputDebugStringA(line);
    m_nState = 0;
}

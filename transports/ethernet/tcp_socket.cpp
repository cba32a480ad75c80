// CTcpSocket: connect, send and receive waits on events set by the socket's notifications.
#include "tcp_socket.h"

#include <cstdarg>
#include <cstdio>

CTcpSocket::CTcpSocket() : m_nState(0), m_nPort(0), m_nDownCause(0)
{
    m_evConnected = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_evReceived = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_evSent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_liStart.QuadPart = 0;
}

CTcpSocket::~CTcpSocket()
{
    // Close first: no notification may reach a half-destroyed object.
    Close();
    for (HANDLE h : {m_evConnected, m_evReceived, m_evSent})
        if (h)
            CloseHandle(h);
}

// A trace keeps the thread's last error: it sits between a socket call and the reading of its
// error, and OutputDebugStringA may change it (it does whenever no debugger listens).
void CTcpSocket::Trace(const char* format, ...) const
{
    const DWORD lastError = GetLastError();
    char line[256];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    OutputDebugStringA(line);
    SetLastError(lastError);
}

void CTcpSocket::TraceEvent(const char* name, int errorCode) const
{
    Trace("** %s Event, Tcp Socket = %s / Port %d, error code = %d\r\n", name, m_strHost.c_str(), m_nPort, errorCode);
}

void CTcpSocket::StartTimer()
{
    QueryPerformanceCounter(&m_liStart);
}

unsigned CTcpSocket::ElapsedMs() const
{
    return MsSince(m_liStart);
}

unsigned CTcpSocket::MsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart == 0)
        return 0;
    QueryPerformanceCounter(&now);
    return static_cast<unsigned>((now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart);
}

// Waits for event at most timeoutMs. On the socket's own thread it dispatches the socket
// notifications meanwhile (and no other message); elsewhere the owner thread delivers them.
// The start is the wait's own: a writer and a reader may wait on one socket at the same time.
CTcpSocket::WaitResult CTcpSocket::WaitFor(HANDLE event, DWORD timeoutMs, HANDLE stop)
{
    if (!event)
        return kTimeoutQuiet;
    const HANDLE handles[2] = {event, stop};
    const DWORD count = stop ? 2 : 1;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    const bool ownThread = OwnerThread() == GetCurrentThreadId();
    for (;;) {
        unsigned elapsed = MsSince(start);
        if (elapsed >= timeoutMs)
            return kTimeoutQuiet;
        DWORD remaining = timeoutMs - elapsed;
        DWORD r = ownThread ? MsgWaitForMultipleObjects(count, handles, FALSE, remaining, QS_POSTMESSAGE)
                            : WaitForMultipleObjects(count, handles, FALSE, remaining);
        if (r == WAIT_OBJECT_0)
            return kSignalled;
        if (stop && r == WAIT_OBJECT_0 + 1)
            return kStopped;
        if (ownThread && r == WAIT_OBJECT_0 + count) {
            PumpNotifications();
            if (WaitForSingleObject(event, 0) == WAIT_OBJECT_0)
                return kSignalled;
            if (MsSince(start) > kBusyQueueMs)
                return kTimeoutBusy;
            continue;
        }
        // WAIT_TIMEOUT, and a failed wait too: a wait always ends.
        return kTimeoutQuiet;
    }
}

int CTcpSocket::ConnectWait(const char* host, int port)
{
    m_strHost = host ? host : "";
    m_nPort = port;
    if (!Create(0, SOCK_STREAM, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE, nullptr)) {
        SetLastError(static_cast<DWORD>(WSAGetLastError()));
        return 0;
    }
    if (Connect(m_strHost.c_str(), static_cast<UINT>(port))) {
        m_nState = 1;
        return 1;
    }
    int error = WSAGetLastError();
    if (error != WSAEWOULDBLOCK) {
        Trace("*Error Connect*\r\n");
        SetLastError(static_cast<DWORD>(error));
        return 0;
    }
    WaitResult r = WaitFor(m_evConnected, kConnectWaitMs);
    if (r == kSignalled && m_nState != 1) {
        // The printer answered with a refusal (-1), or accepted and closed at once (0), as a busy
        // port that serves one client does: no connection, and the printer's cause is the reason.
        Trace("*Error Connect*\r\n");
        m_nState = 0;
        SetLastError(static_cast<DWORD>(m_nDownCause));
        return 0;
    }
    if (r == kSignalled) {
        Trace("*** Tcp Socket %s / Port %d is connected ***\r\n", m_strHost.c_str(), m_nPort);
        return 1;
    }
    Trace(r == kTimeoutBusy ? "*** Timeout Connect 1 - Tcp Socket %s / Port %d ***\r\n"
                            : "*** Timeout Connect 2 - Tcp Socket %s / Port %d ***\r\n",
          m_strHost.c_str(), m_nPort);
    m_nState = 0;
    SetLastError(WSAETIMEDOUT);
    return 0;
}

bool CTcpSocket::IsUp()
{
    if (OwnerThread() == GetCurrentThreadId())
        PumpNotifications();
    return m_nState == 1;
}

int CTcpSocket::Disconnect()
{
    ShutDownAndClose(10);
    return 1;
}

int CTcpSocket::Send(const void* data, int length, int flags)
{
    return Send(data, length, flags, nullptr);
}

int CTcpSocket::Send(const void* data, int length, int flags, HANDLE stop)
{
    int n = CAsyncSocket::Send(data, length, flags);
    if (n != SOCKET_ERROR)
        return n;
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
        Trace("* no wait + %d bytes Sent - Tcp Socket %s / Port %d *\r\n", -1, m_strHost.c_str(), m_nPort);
        return -1;
    }
    WaitResult r = WaitFor(m_evSent, kSendWaitMs, stop);
    if (r == kSignalled) {
        ResetEvent(m_evSent);
        Trace("* wait + %d bytes Sent - Tcp Socket %s / Port %d *\r\n", length, m_strHost.c_str(), m_nPort);
        SetLastError(0);
        return 0;
    }
    if (r == kStopped) {
        Trace("*** Send stopped - Tcp Socket %s / Port %d ***\r\n", m_strHost.c_str(), m_nPort);
        WSASetLastError(WSA_OPERATION_ABORTED);
        return -1;
    }
    Trace(r == kTimeoutBusy ? "*** Timeout Send 1 - Tcp Socket %s / Port %d ***\r\n"
                            : "*** Timeout Send 2 - Tcp Socket %s / Port %d ***\r\n",
          m_strHost.c_str(), m_nPort);
    WSASetLastError(WSAEWOULDBLOCK);
    return -1;
}

int CTcpSocket::Receive(void* buffer, int length, int flags)
{
    // A connection that is no longer up is read at once: what the printer sent before it closed is
    // still there, and after that the socket itself tells how it ended.
    if (m_nState == 1 && WaitFor(m_evReceived, kReceiveWaitMs) != kSignalled)
        return 0;
    ResetEvent(m_evReceived);
    int n = CAsyncSocket::Receive(buffer, length, flags);
    if (n == 0 && length > 0) {
        // recv gives 0 for a room of 1 or more only once the printer has closed its side.
        m_nState = 0;
        WSASetLastError(WSAEDISCON);
        n = -1;
    }
    Trace("*** %d bytes Received - Tcp Socket %s / Port %d ***\r\n", n, m_strHost.c_str(), m_nPort);
    return n;
}

void CTcpSocket::OnConnect(int errorCode)
{
    TraceEvent("OnConnect", errorCode);
    if (errorCode == 0) {
        m_nState = 1;
    } else {
        m_nState = -1;
        m_nDownCause = errorCode;
    }
    // A refusal ends the connect wait too, with its own error.
    SetEvent(m_evConnected);
    CAsyncSocket::OnConnect(errorCode);
}

void CTcpSocket::OnReceive(int errorCode)
{
    TraceEvent("OnReceive", errorCode);
    if (errorCode == 0)
        SetEvent(m_evReceived);
    CAsyncSocket::OnReceive(errorCode);
}

void CTcpSocket::OnSend(int errorCode)
{
    TraceEvent("OnSend", errorCode);
    if (errorCode == 0)
        SetEvent(m_evSent);
    CAsyncSocket::OnSend(errorCode);
}

void CTcpSocket::OnClose(int errorCode)
{
    TraceEvent("OnClose", errorCode);
    m_nState = 0;
    // An orderly close carries no error: it is told as the end of the connection.
    m_nDownCause = errorCode ? errorCode : WSAEDISCON;
    CAsyncSocket::OnClose(errorCode);
}

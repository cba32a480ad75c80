// CTcpSocket: one TCP channel to the printer, an asynchronous socket turned into a connection
// with short blocking waits for connect, send and receive.
#pragma once
#include "framework/async_socket.h"

#include <atomic>
#include <string>

class CTcpSocket : public CAsyncSocket {
public:
    CTcpSocket();
    ~CTcpSocket() override;

    // 1 connected; 0 not, GetLastError tells why (WSAETIMEDOUT when the wait ended; the printer's
    // cause when it refused or closed the connection during the wait).
    int ConnectWait(const char* host, int port);
    int Disconnect();
    // Whether the connection is still up. On the socket's own thread the queued notifications are
    // taken first, so a close the printer made is seen.
    bool IsUp();
    // Bytes sent; 0 when it had to wait and may now send again; -1 on error (WSAGetLastError;
    // WSAEWOULDBLOCK when the wait for room ended first).
    int Send(const void* data, int length, int flags = 0) override;
    // As Send, but the wait for room also ends once stop (may be null) is signalled: -1 with
    // WSA_OPERATION_ABORTED.
    int Send(const void* data, int length, int flags, HANDLE stop);
    // Bytes received; 0 when nothing came within the wait; -1 on error (WSAGetLastError; WSAEDISCON
    // once the printer has closed the connection and everything it sent has been read).
    int Receive(void* buffer, int length, int flags = 0) override;

    void StartTimer();
    unsigned ElapsedMs() const;

    int m_nState;              // 0 not connected, 1 connected, -1 the connect attempt failed
    HANDLE m_evConnected;
    HANDLE m_evReceived;
    HANDLE m_evSent;
    std::string m_strHost;
    int m_nPort;
    LARGE_INTEGER m_liStart;
    int m_nDownCause;          // the error of a failed connect notification or of the close notification
    // True the first time only: the transport posts why a connection failed once, from whichever
    // thread notices it first.
    bool TakeFailureToReport() { return !m_bFailureReported.exchange(true); }

    static constexpr DWORD kConnectWaitMs = 100;   // a printer on the local network answers at once
    static constexpr DWORD kSendWaitMs = 10000;
    static constexpr DWORD kReceiveWaitMs = 10;    // a polling reader gives up quickly
    static constexpr unsigned kBusyQueueMs = 100;  // notifications that keep coming end a wait after this

protected:
    void OnReceive(int errorCode) override;
    void OnSend(int errorCode) override;
    void OnConnect(int errorCode) override;
    void OnClose(int errorCode) override;

private:
    enum WaitResult { kSignalled, kTimeoutBusy, kTimeoutQuiet, kStopped };
    // Waits for event at most timeoutMs; stop (may be null) ends the wait first.
    WaitResult WaitFor(HANDLE event, DWORD timeoutMs, HANDLE stop = nullptr);
    static unsigned MsSince(const LARGE_INTEGER& start);
    void Trace(const char* format, ...) const;
    // The trace line of a socket event (OnConnect, OnReceive ...) with its error code.
    void TraceEvent(const char* name, int errorCode) const;

    std::atomic<bool> m_bFailureReported{false};
};

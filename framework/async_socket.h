// CAsyncSocket: a non-blocking Windows Sockets socket whose network events arrive as window
// messages to a hidden message-only window of the thread that created it, and go to virtual On* handlers.
// The handlers run under the socket table's lock: they set events and flags, and never close a socket.
#pragma once
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

class CAsyncSocket {
public:
    CAsyncSocket();
    virtual ~CAsyncSocket();
    CAsyncSocket(const CAsyncSocket&) = delete;
    CAsyncSocket& operator=(const CAsyncSocket&) = delete;

    // Starts Windows Sockets once per process (version 1.1 is enough). FALSE when it cannot start.
    static BOOL SocketInit();

    // Makes the socket, binds it (port 0: any) and asks for the given events. FALSE: WSAGetLastError.
    BOOL Create(UINT port = 0, int type = SOCK_STREAM,
                long events = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE,
                const char* address = nullptr);
    // Connects to a dotted IPv4 address or a host name. FALSE with WSAEWOULDBLOCK while it goes on.
    BOOL Connect(const char* host, UINT port);
    virtual int Send(const void* data, int length, int flags = 0);
    virtual int Receive(void* buffer, int length, int flags = 0);
    // host NULL: the limited broadcast address.
    int SendTo(const void* data, int length, UINT port, const char* host = nullptr, int flags = 0);
    int ReceiveFrom(void* buffer, int length, sockaddr_in* from = nullptr, int flags = 0);
    BOOL SetSockOpt(int option, const void* value, int length, int level = SOL_SOCKET);
    BOOL ShutDown(int how = SD_SEND);
    // Closes the socket; notifications still queued for it are dropped.
    virtual void Close();
    // Shuts both directions down, gives the peer pauseMs to see it, then closes.
    void ShutDownAndClose(DWORD pauseMs);

    static int GetLastError() { return WSAGetLastError(); }

    // Dispatches the notifications queued for the calling thread's socket window, and nothing else:
    // a wait that pumps them lets no other message (a click, a timer) run meanwhile.
    static void PumpNotifications();

    // Thread whose socket window receives this socket's notifications (0 before Create).
    DWORD OwnerThread() const { return m_dwOwnerThread; }

    SOCKET m_hSocket;

protected:
    virtual void OnReceive(int errorCode);
    virtual void OnSend(int errorCode);
    virtual void OnOutOfBandData(int errorCode);
    virtual void OnAccept(int errorCode);
    virtual void OnConnect(int errorCode);
    virtual void OnClose(int errorCode);

private:
    static LRESULT CALLBACK SocketWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static HWND ThreadSocketWindow();
    static void DestroyThreadWindowIfIdle();
    static void ReleaseWindowCount();
    void Dispatch(long event, int errorCode);
    static bool ResolveIpv4(const char* host, in_addr& out);

    HWND m_hSocketWnd;
    DWORD m_dwOwnerThread;
};

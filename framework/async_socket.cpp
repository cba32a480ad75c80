// CAsyncSocket: WSAAsyncSelect notifications through one message-only window per thread.
#include "async_socket.h"

#include <unordered_map>
#include <vector>

namespace {

constexpr UINT WM_SOCKET_NOTIFY = WM_USER + 1;
constexpr char kSocketWindowClass[] = "KxSocketWindow";

// Every live socket, looked up by the handle a notification carries. A socket may be closed on
// another thread than its owner's, so the table has a lock; handlers run under it and stay short.
struct SocketEntry {
    CAsyncSocket* socket;
    HWND wnd;
};
SRWLOCK g_socketsLock = SRWLOCK_INIT;
std::unordered_map<SOCKET, SocketEntry>& Sockets()
{
    static auto* sockets = new std::unordered_map<SOCKET, SocketEntry>;   // outlives every socket
    return *sockets;
}

// Held while a handler runs, so a handler that closes or creates a socket takes it again on the same
// thread: an SRW lock is not recursive, so only the outermost hold acquires it.
thread_local int t_lockDepth = 0;
struct ExclusiveLock {
    ExclusiveLock()
    {
        if (t_lockDepth++ == 0)
            AcquireSRWLockExclusive(&g_socketsLock);
    }
    ~ExclusiveLock()
    {
        if (--t_lockDepth == 0)
            ReleaseSRWLockExclusive(&g_socketsLock);
    }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;
};

thread_local HWND t_socketWnd = nullptr;
int g_socketWindows = 0;   // socket windows of all threads, under g_socketsLock

}  // namespace

CAsyncSocket::CAsyncSocket() : m_hSocket(INVALID_SOCKET), m_hSocketWnd(nullptr), m_dwOwnerThread(0) {}

CAsyncSocket::~CAsyncSocket()
{
    if (m_hSocket != INVALID_SOCKET)
        CAsyncSocket::Close();
}

BOOL CAsyncSocket::SocketInit()
{
    static const int result = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(1, 1), &data);
    }();
    return result == 0;
}

// The module this code is linked into: a DLL registers the class under its own instance.
static HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

HWND CAsyncSocket::ThreadSocketWindow()
{
    if (t_socketWnd)
        return t_socketWnd;
    HINSTANCE module = ThisModule();
    {
        // The class lives while some thread has a socket window: a library that is unloaded and
        // loaded again must not find a class whose window procedure points into the old image.
        ExclusiveLock lock;
        if (g_socketWindows == 0) {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = SocketWndProc;
            wc.hInstance = module;
            wc.lpszClassName = kSocketWindowClass;
            if (!RegisterClassA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
                return nullptr;
        }
        ++g_socketWindows;
    }
    t_socketWnd = CreateWindowExA(0, kSocketWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
    if (!t_socketWnd) {
        DWORD error = ::GetLastError();
        ReleaseWindowCount();
        SetLastError(error);
    }
    return t_socketWnd;
}

void CAsyncSocket::ReleaseWindowCount()
{
    ExclusiveLock lock;
    if (--g_socketWindows == 0)
        UnregisterClassA(kSocketWindowClass, ThisModule());
}

void CAsyncSocket::DestroyThreadWindowIfIdle()
{
    if (!t_socketWnd)
        return;
    {
        ExclusiveLock lock;
        for (const auto& [s, entry] : Sockets())
            if (entry.wnd == t_socketWnd)
                return;
    }
    DestroyWindow(t_socketWnd);
    t_socketWnd = nullptr;
    ReleaseWindowCount();
}

LRESULT CALLBACK CAsyncSocket::SocketWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_SOCKET_NOTIFY)
        return DefWindowProcA(wnd, msg, wParam, lParam);
    ExclusiveLock lock;
    auto& sockets = Sockets();
    auto it = sockets.find(static_cast<SOCKET>(wParam));
    // A handle reused by another thread's socket is not this window's to serve.
    if (it != sockets.end() && it->second.wnd == wnd)
        it->second.socket->Dispatch(WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
    return 0;
}

void CAsyncSocket::Dispatch(long event, int errorCode)
{
    switch (event) {
    case FD_READ: OnReceive(errorCode); break;
    case FD_WRITE: OnSend(errorCode); break;
    case FD_OOB: OnOutOfBandData(errorCode); break;
    case FD_ACCEPT: OnAccept(errorCode); break;
    case FD_CONNECT: OnConnect(errorCode); break;
    case FD_CLOSE: OnClose(errorCode); break;
    default: break;
    }
}

void CAsyncSocket::PumpNotifications()
{
    if (!t_socketWnd)
        return;
    MSG msg;
    while (PeekMessageA(&msg, t_socketWnd, WM_SOCKET_NOTIFY, WM_SOCKET_NOTIFY, PM_REMOVE))
        DispatchMessageA(&msg);
}

bool CAsyncSocket::ResolveIpv4(const char* host, in_addr& out)
{
    if (!host)
        return false;
    // inet_pton takes only the four-field dotted form (inet_addr would take "10.1").
    if (inet_pton(AF_INET, host, &out) == 1)
        return true;
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found)
        return false;
    out = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

BOOL CAsyncSocket::Create(UINT port, int type, long events, const char* address)
{
    HWND wnd = ThreadSocketWindow();
    if (!wnd) {
        WSASetLastError(static_cast<int>(::GetLastError()));
        return FALSE;
    }
    // A failed create leaves no window behind that no socket uses, and keeps its own error.
    auto fail = [](SOCKET s, int error) {
        if (s != INVALID_SOCKET)
            closesocket(s);
        DestroyThreadWindowIfIdle();
        WSASetLastError(error);
        return FALSE;
    };
    SOCKET s = socket(AF_INET, type, 0);
    if (s == INVALID_SOCKET)
        return fail(s, WSAGetLastError());
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<u_short>(port));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (address && !ResolveIpv4(address, local.sin_addr))
        return fail(s, WSAEINVAL);
    if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        return fail(s, WSAGetLastError());
    m_hSocketWnd = wnd;
    m_dwOwnerThread = GetCurrentThreadId();
    {
        ExclusiveLock lock;
        Sockets()[s] = SocketEntry{this, wnd};
    }
    // Registered before any notification can be dispatched: this thread dispatches them.
    if (WSAAsyncSelect(s, wnd, WM_SOCKET_NOTIFY, events) != 0) {
        int error = WSAGetLastError();
        {
            ExclusiveLock lock;
            Sockets().erase(s);
        }
        return fail(s, error);
    }
    m_hSocket = s;
    return TRUE;
}

BOOL CAsyncSocket::Connect(const char* host, UINT port)
{
    sockaddr_in remote = {};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<u_short>(port));
    if (!ResolveIpv4(host, remote.sin_addr)) {
        WSASetLastError(WSAEINVAL);
        return FALSE;
    }
    return connect(m_hSocket, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0;
}

int CAsyncSocket::Send(const void* data, int length, int flags)
{
    return send(m_hSocket, static_cast<const char*>(data), length, flags);
}

int CAsyncSocket::Receive(void* buffer, int length, int flags)
{
    return recv(m_hSocket, static_cast<char*>(buffer), length, flags);
}

int CAsyncSocket::SendTo(const void* data, int length, UINT port, const char* host, int flags)
{
    sockaddr_in remote = {};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<u_short>(port));
    remote.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    if (host && !ResolveIpv4(host, remote.sin_addr)) {
        WSASetLastError(WSAEINVAL);
        return SOCKET_ERROR;
    }
    return sendto(m_hSocket, static_cast<const char*>(data), length, flags, reinterpret_cast<sockaddr*>(&remote),
                  sizeof remote);
}

int CAsyncSocket::ReceiveFrom(void* buffer, int length, sockaddr_in* from, int flags)
{
    sockaddr_in ignored;
    sockaddr_in* source = from ? from : &ignored;
    int size = sizeof *source;
    return recvfrom(m_hSocket, static_cast<char*>(buffer), length, flags, reinterpret_cast<sockaddr*>(source),
                    &size);
}

BOOL CAsyncSocket::SetSockOpt(int option, const void* value, int length, int level)
{
    return setsockopt(m_hSocket, level, option, static_cast<const char*>(value), length) == 0;
}

BOOL CAsyncSocket::ShutDown(int how)
{
    return shutdown(m_hSocket, how) == 0;
}

void CAsyncSocket::Close()
{
    if (m_hSocket == INVALID_SOCKET)
        return;
    SOCKET s = m_hSocket;
    m_hSocket = INVALID_SOCKET;
    WSAAsyncSelect(s, m_hSocketWnd, 0, 0);
    {
        ExclusiveLock lock;
        Sockets().erase(s);
    }
    if (m_dwOwnerThread == GetCurrentThreadId()) {
        // A later socket may get the same handle: drop what is queued for this one, keep the rest.
        std::vector<MSG> others;
        MSG msg;
        while (PeekMessageA(&msg, m_hSocketWnd, WM_SOCKET_NOTIFY, WM_SOCKET_NOTIFY, PM_REMOVE))
            if (static_cast<SOCKET>(msg.wParam) != s)
                others.push_back(msg);
        for (const MSG& m : others)
            PostMessageA(m_hSocketWnd, m.message, m.wParam, m.lParam);
    }
    closesocket(s);
    // The last socket of this thread takes the window with it, so no window outlives the library.
    if (m_dwOwnerThread == GetCurrentThreadId())
        DestroyThreadWindowIfIdle();
}

void CAsyncSocket::ShutDownAndClose(DWORD pauseMs)
{
    if (m_hSocket != INVALID_SOCKET) {
        ShutDown(SD_BOTH);
        Sleep(pauseMs);
    }
    Close();
}

void CAsyncSocket::OnReceive(int) {}
void CAsyncSocket::OnSend(int) {}
void CAsyncSocket::OnOutOfBandData(int) {}
void CAsyncSocket::OnAccept(int) {}
void CAsyncSocket::OnConnect(int) {}
void CAsyncSocket::OnClose(int) {}

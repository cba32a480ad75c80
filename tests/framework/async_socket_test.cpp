// CAsyncSocket: a failed create leaves no socket window behind on its thread.
#include "framework/async_socket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace {

// The message-only socket windows the calling thread owns.
int ThreadSocketWindows()
{
    int count = 0;
    HWND wnd = nullptr;
    while ((wnd = FindWindowExA(HWND_MESSAGE, wnd, "KxSocketWindow", nullptr)) != nullptr)
        if (GetWindowThreadProcessId(wnd, nullptr) == GetCurrentThreadId())
            ++count;
    return count;
}

}  // namespace

TEST(CAsyncSocket, FailedCreateKeepsItsErrorAndLeavesNoWindow)
{
    ASSERT_TRUE(CAsyncSocket::SocketInit());
    // A plain socket holds a loopback port, so the create on that port fails at bind.
    SOCKET holder = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_NE(holder, INVALID_SOCKET);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
    int size = sizeof local;
    ASSERT_EQ(getsockname(holder, reinterpret_cast<sockaddr*>(&local), &size), 0);
    const UINT port = ntohs(local.sin_port);

    int error = 0, windows = -1;
    BOOL created = TRUE;
    std::thread([&] {
        CAsyncSocket socket;
        created = socket.Create(port, SOCK_DGRAM, FD_READ, "127.0.0.1");
        error = WSAGetLastError();
        windows = ThreadSocketWindows();
    }).join();
    closesocket(holder);

    EXPECT_FALSE(created);
    EXPECT_EQ(error, WSAEADDRINUSE);
    EXPECT_EQ(windows, 0);
}

namespace {

// Closes itself from its receive handler, as an owner that gives up on a peer does.
class SelfClosingSocket : public CAsyncSocket {
public:
    int received = 0;
    void OnReceive(int) override
    {
        ++received;
        Close();
    }
};

}  // namespace

TEST(CAsyncSocket, HandlerMayCloseItsOwnSocket)
{
    ASSERT_TRUE(CAsyncSocket::SocketInit());
    // Shared with the thread: it may outlive a test that gave up on it.
    auto done = std::make_shared<std::promise<int>>();
    auto result = done->get_future();
    // On a thread of its own: a handler that cannot take the table's lock again hangs there.
    std::thread([done] {
        SelfClosingSocket receiver;
        if (!receiver.Create(0, SOCK_DGRAM, FD_READ, "127.0.0.1")) {
            done->set_value(-1);
            return;
        }
        sockaddr_in local = {};
        int size = sizeof local;
        getsockname(receiver.m_hSocket, reinterpret_cast<sockaddr*>(&local), &size);
        SOCKET sender = socket(AF_INET, SOCK_DGRAM, 0);
        sendto(sender, "x", 1, 0, reinterpret_cast<sockaddr*>(&local), sizeof local);
        closesocket(sender);
        for (DWORD start = GetTickCount(); !receiver.received && GetTickCount() - start < 2000;) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            CAsyncSocket::PumpNotifications();
        }
        done->set_value(receiver.received && receiver.m_hSocket == INVALID_SOCKET ? 1 : 0);
    }).detach();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "the handler hung";
    EXPECT_EQ(result.get(), 1);
}

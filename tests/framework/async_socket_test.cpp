// CAsyncSocket: a failed create leaves no socket window behind on its thread.
#include "framework/async_socket.h"

#include <gtest/gtest.h>

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

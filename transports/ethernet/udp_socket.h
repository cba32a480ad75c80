// CUdpSocket: the broadcast socket that carries the device protocol's datagrams.
#pragma once
#include "framework/async_socket.h"

#include <cstdint>
#include <string>

class CUdpSocket : public CAsyncSocket {
public:
    CUdpSocket();
    ~CUdpSocket() override;

    // 1 made, with broadcast allowed; 0 failed (WSAGetLastError).
    int CreateBroadcast(const char* host, int port);
    // Queues a datagram for SendPending; at most sizeof m_abCommand bytes (else false, WSAEMSGSIZE).
    bool SetCommand(const void* data, int length);
    // Sends what is left of the datagram: 1 sent or waiting for room, 0 failed (WSAGetLastError).
    int SendPending();
    int Disconnect();

    int m_nState;                // 1 after CreateBroadcast, 0 after a close notification
    uint8_t m_abCommand[100];
    int m_nSent;
    int m_nCommandLength;
    std::string m_strHost;
    int m_nPort;

protected:
    void OnReceive(int errorCode) override;
    void OnClose(int errorCode) override;
};

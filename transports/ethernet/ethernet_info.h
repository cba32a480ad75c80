// CEthernetInfo: the transport object of the Ethernet library, a printer reached through up to
// three TCP channels (main, real time, USM) plus the UDP device protocol.
#pragma once
#include "tcp_socket.h"   // Windows Sockets 2 before windows.h
#include "udp_socket.h"
#include "comm_info.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

class CEthernetInfo final : public CCommInfo {
public:
    explicit CEthernetInfo(int isWinNT);
    ~CEthernetInfo();

    CCommInfo* Destroy(unsigned flags) override;

    // Arguments as the client passes them: in *ip, *mainPort, *usmPort, *realTimePort, *outputChannel;
    // out the MAC text (at most kMacTextChars), the connected flags in the port places and the channel.
    int Open(int restart, DWORD* ip, char* macText, int* mainPort, int* usmPort, int* realTimePort,
             int* outputChannel, int* mainUp) override;
    BOOL Write(HANDLE ignored, const void* data, DWORD length, DWORD* written, OVERLAPPED* ov) override;
    BOOL Read(HANDLE which, void* buffer, DWORD length, DWORD* read, OVERLAPPED* ov) override;
    int RequestStatus(void* buffer, DWORD length, DWORD* result, OVERLAPPED* ov) override;
    int DecodeStatus(void* buffer, DWORD length, DWORD* status) override;
    int EnumDevices(int* a1, int* a2, const char* prefix, int* count, PortRow* rows) override;
    int CheckSettings(DWORD ip, int sizeIndex, int mainPort, int outputChannel, int realTimePort, int usmPort,
                      int unused) override;
    int SetDeviceParams(char* command) override;
    int Close() override;
    int Init() override;

    // Sends one datagram to every printer and hands each datagram that comes back within timeoutMs
    // to onReply, whole. 1 done, 0 failed (reported to the notify window).
    int BroadcastQuery(const void* datagram, int length, unsigned timeoutMs,
                       const std::function<void(std::span<const uint8_t>)>& onReply);

    static inline const HANDLE kMainHandle = reinterpret_cast<HANDLE>(1);   // pseudo-handles for Read
    static inline const HANDLE kUsmHandle = reinterpret_cast<HANDLE>(3);
    static constexpr size_t kMacTextChars = 50;        // the client's MAC text buffer
    static constexpr DWORD kSendStallMs = 10000;       // Write gives up after this long without progress
    static constexpr unsigned kDiscoveryMs = 2000;
    static constexpr unsigned kCommandMs = 1000;
    static constexpr int kCommErrorEthernetInit = 19;  // "Error - Ethernet Init Failed"

    DWORD m_dwIpAddress;        // first octet in the high byte; 0xFFFFFFFF never opened
    std::string m_strIpAddress;
    int m_nMainPort;
    int m_nRealTimePort;
    int m_nUsmPort;
    int m_nOutputChannel;       // 0 main, 1 real time
    int m_bMainUp;
    int m_bRealTimeUp;
    int m_bUsmUp;
    int m_nSizeIndex;
    CTcpSocket* m_pMainSocket;
    CTcpSocket* m_pRealTimeSocket;
    CTcpSocket* m_pUsmSocket;
    CUdpSocket* m_pUdpSocket;

private:
    int ConnectChannels();
    // Replaces *socket by a new connection to port; the flag and the trace texts tell which channel.
    int ConnectChannel(CTcpSocket*& socket, int port, const char* openedTrace, const char* failedTrace);
    CTcpSocket* OutputSocket() const;
    // Whether socket's connection is still up; one that went down has its cause posted (once).
    bool StillUp(CTcpSocket* socket);
    // Marks socket's channel down and posts cause, once per connection.
    void ReportChannelDown(CTcpSocket& socket, DWORD cause);
    std::string LookUpMac() const;
    static void FlushArpCache();
    static void DropSocket(CTcpSocket*& socket);
    void DropUdpSocket();
    void CloseEvents();
};

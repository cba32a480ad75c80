// CEthernetInfo's side of the UDP device protocol: discovery rows and confirmed device commands.
#include "ethernet_info.h"

#include "device_protocol.h"

#include <algorithm>
#include <vector>

namespace {
constexpr unsigned kStepMs = 100;          // the replies are gathered in steps of this length
constexpr int kDatagramBuffer = 65536;     // the largest UDP payload: a datagram is never cut
}

int CEthernetInfo::BroadcastQuery(const void* datagram, int length, unsigned timeoutMs,
                                  const std::function<void(std::span<const uint8_t>)>& onReply)
{
    if (!CAsyncSocket::SocketInit()) {
        PostNotify(kCommErrorEthernetInit, nullptr);
        return 0;
    }
    DropUdpSocket();
    m_pUdpSocket = new CUdpSocket;
    if (!m_pUdpSocket->CreateBroadcast("255.255.255.255", device_protocol::kDevicePort) ||
        !m_pUdpSocket->SetCommand(datagram, length)) {
        PostError(static_cast<DWORD>(WSAGetLastError()));
        DropUdpSocket();
        return 0;
    }
    if (!m_pUdpSocket->SendPending())
        PostError(static_cast<DWORD>(WSAGetLastError()));   // the answers of an earlier send may still come

    // The whole time elapses: there is no telling how many printers will answer. Every datagram
    // that has come in is taken at each step, one at a time, so none is merged with the next.
    std::vector<uint8_t> buffer(kDatagramBuffer);
    int result = 1;
    const unsigned steps = timeoutMs / kStepMs;
    // A steady stream of datagrams must not hold the query past its time (one step of grace
    // lets the last step drain what came in before it).
    const DWORD started = GetTickCount();
    auto overdue = [&] { return GetTickCount() - started > static_cast<DWORD>(timeoutMs) + kStepMs; };
    for (unsigned step = 0; step <= steps && result && !overdue(); ++step) {
        while (!overdue()) {
            int n = m_pUdpSocket->ReceiveFrom(buffer.data(), static_cast<int>(buffer.size()));
            if (n > 0) {
                onReply(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)));
                continue;
            }
            if (n == 0)
                continue;   // an empty datagram
            int error = WSAGetLastError();
            if (error == WSAEWOULDBLOCK)
                break;
            // A port-unreachable report from some host is no failure of the query.
            if (error == WSAECONNRESET || error == WSAEMSGSIZE)
                continue;
            PostError(static_cast<DWORD>(error));
            result = 0;
            break;
        }
        if (step < steps && result)
            Sleep(kStepMs);
    }
    DropUdpSocket();
    return result;
}

int CEthernetInfo::EnumDevices(int*, int*, const char*, int* count, PortRow* rows)
{
    if (!count || (!rows && *count > 0))
        return 0;
    // The set-up dialog's rows hold the most one discovery lists.
    const int capacity = !rows ? 0 : *count > 0 ? std::min(*count, device_protocol::kMaxDevices)
                                                : device_protocol::kMaxDevices;
    int listed = 0;
    device_protocol::Datagram query = device_protocol::DiscoveryQuery();
    int result = BroadcastQuery(query.bytes, static_cast<int>(query.length), kDiscoveryMs,
                                [&](std::span<const uint8_t> datagram) {
                                    device_protocol::ForEachDeviceRecord(
                                        datagram, [&](const device_protocol::DeviceRecord& record) {
                                            if (listed < capacity)
                                                device_protocol::FormatDeviceRow(record, rows[listed++]);
                                        });
                                });
    if (!result)
        return 0;
    *count = listed;
    OutputDebugStringA("**** Exit ****");
    return 1;
}

int CEthernetInfo::SetDeviceParams(char* command)
{
    device_protocol::Datagram datagram;
    if (!device_protocol::CommandDatagram(command, datagram))
        return 0;   // nothing the printers know: nothing is sent, nothing can confirm it
    bool confirmed = false;
    int result = BroadcastQuery(datagram.bytes, static_cast<int>(datagram.length), kCommandMs,
                                [&](std::span<const uint8_t> reply) {
                                    if (device_protocol::IsConfirmation(reply, datagram))
                                        confirmed = true;
                                });
    return result && confirmed ? 1 : 0;
}

// UdpDeviceProtocol: the virtual printer's answers to the network device protocol on UDP: a table
// of devices (MAC, IP address, name) that discovery lists and the device commands change.
// Control commands (MAC: 12 hex digits; name: hex of its bytes, "-" = empty):
//   DEVICE ADD <mac> <a.b.c.d> <name-hex>   add a device to the table
//   DEVICE CLEAR                            empty the table
//   DEVICE COUNT                            OK <n>
//   DEVICE GET <index>                      OK <mac> <a.b.c.d> <name-hex> <resets>
//   DISCOVERY SEPARATE|TOGETHER [delay-ms]  one record per datagram, or all in one; sent after delay
//   CONFIRM ACK|NAK|SILENT                  how device commands are answered (ACK also applies them)
//   NOISE ON|OFF                            surround each answer with datagrams that are no answer
//   UDP STATUS                              OK received=<n> pending=<answers not sent yet>
//                                           last=<hex of the last datagram>
#pragma once
#include "control_interpreter.h"
#include "reactor.h"
#include <array>
#include <netinet/in.h>
#include <string>
#include <vector>

namespace vprinter {

struct NetDevice {
    std::array<uint8_t, 6> mac{};
    std::array<uint8_t, 4> ip{};
    Bytes name;        // up to 10 bytes on the wire
    unsigned resets = 0;
};

class UdpDeviceProtocol {
public:
    explicit UdpDeviceProtocol(Reactor& reactor);
    ~UdpDeviceProtocol();
    UdpDeviceProtocol(const UdpDeviceProtocol&) = delete;
    UdpDeviceProtocol& operator=(const UdpDeviceProtocol&) = delete;

    // Binds host:port (0.0.0.0 to hear broadcasts). False with errno.
    bool Listen(const std::string& host, unsigned short port);
    unsigned short Port() const { return m_port; }
    void AddCommands(ControlInterpreter& interpreter);

    // What the printer does with one datagram from `from`; public for the host tests.
    void Handle(std::span<const uint8_t> datagram, const sockaddr_in& from);
    const std::vector<NetDevice>& Devices() const { return m_devices; }

private:
    enum class Confirm { Ack, Nak, Silent };
    struct Timed {
        int timer;
        sockaddr_in to;
        std::vector<Bytes> datagrams;
    };

    void Answer(const sockaddr_in& to, std::vector<Bytes> datagrams, unsigned delayMs);
    void SendNow(const sockaddr_in& to, const std::vector<Bytes>& datagrams);
    void OnTimer(int timer);
    NetDevice* Find(std::span<const uint8_t> mac);

    Reactor& m_reactor;
    int m_fd = -1;
    unsigned short m_port = 0;
    std::vector<NetDevice> m_devices;
    bool m_together = false;
    unsigned m_delayMs = 0;
    Confirm m_confirm = Confirm::Ack;
    bool m_noise = false;
    uint64_t m_received = 0;
    Bytes m_last;
    std::vector<Timed> m_timed;
};

}  // namespace vprinter

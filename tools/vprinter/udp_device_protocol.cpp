// The device protocol responder: discovery records, and CHIP/CHNO/REST applied and confirmed.
#include "udp_device_protocol.h"
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include "bound_socket.h"

namespace vprinter {
namespace {

constexpr size_t kTag = 4, kMac = 6, kIp = 4, kName = 10;
constexpr uint8_t kAck = 0x06, kNak = 0x15;

bool TagIs(std::span<const uint8_t> d, const char* tag)
{
    if (d.size() < kTag) return false;
    for (size_t i = 0; i < kTag; ++i)
        if (std::toupper(d[i]) != tag[i]) return false;
    return true;
}

std::string Upper(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool ParseDotted(const std::string& text, std::array<uint8_t, 4>& ip)
{
    unsigned a, b, c, d;
    char tail;
    if (std::sscanf(text.c_str(), "%3u.%3u.%3u.%3u%c", &a, &b, &c, &d, &tail) != 4 || a > 255 || b > 255 ||
        c > 255 || d > 255)
        return false;
    ip = {static_cast<uint8_t>(a), static_cast<uint8_t>(b), static_cast<uint8_t>(c), static_cast<uint8_t>(d)};
    return true;
}

}  // namespace

UdpDeviceProtocol::UdpDeviceProtocol(Reactor& reactor) : m_reactor(reactor) {}

UdpDeviceProtocol::~UdpDeviceProtocol()
{
    for (Timed& t : m_timed) {
        m_reactor.Unwatch(t.timer);
        close(t.timer);
    }
    if (m_fd >= 0) {
        m_reactor.Unwatch(m_fd);
        close(m_fd);
    }
}

bool UdpDeviceProtocol::Listen(const std::string& host, unsigned short port)
{
    m_fd = OpenBoundSocket(host, port, SOCK_DGRAM);
    if (m_fd < 0) return false;
    m_port = port;
    m_reactor.Watch(m_fd, POLLIN, [this](short) {
        uint8_t buffer[2048];
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        ssize_t got = recvfrom(m_fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got >= 0) Handle(std::span<const uint8_t>(buffer, static_cast<size_t>(got)), from);
    });
    return true;
}

NetDevice* UdpDeviceProtocol::Find(std::span<const uint8_t> mac)
{
    for (NetDevice& device : m_devices)
        if (std::memcmp(device.mac.data(), mac.data(), kMac) == 0) return &device;
    return nullptr;
}

void UdpDeviceProtocol::Handle(std::span<const uint8_t> d, const sockaddr_in& from)
{
    ++m_received;
    m_last.assign(d.begin(), d.end());
    std::vector<Bytes> answers;
    if (TagIs(d, "INIP") && d.size() == kTag) {
        Bytes together;
        for (const NetDevice& device : m_devices) {
            Bytes record(d.begin(), d.begin() + kTag);
            std::memcpy(record.data(), "INIP", kTag);
            record.insert(record.end(), device.mac.begin(), device.mac.end());
            record.insert(record.end(), device.ip.begin(), device.ip.end());
            Bytes name = device.name;
            name.resize(kName, 0);
            record.insert(record.end(), name.begin(), name.end());
            if (m_together)
                together.insert(together.end(), record.begin(), record.end());
            else
                answers.push_back(record);
        }
        if (m_together && !together.empty()) answers.push_back(together);
    } else {
        size_t length = TagIs(d, "CHIP") ? kTag + kMac + kIp
                        : TagIs(d, "CHNO") ? kTag + kMac + kName
                        : TagIs(d, "REST") ? kTag + kMac
                                           : 0;
        if (length == 0 || d.size() != length) return;   // not ours: a real printer ignores it too
        NetDevice* device = Find(d.subspan(kTag, kMac));
        if (!device || m_confirm == Confirm::Silent) return;
        if (m_confirm == Confirm::Ack) {
            if (TagIs(d, "CHIP")) std::memcpy(device->ip.data(), d.data() + kTag + kMac, kIp);
            if (TagIs(d, "CHNO")) {
                device->name.assign(d.begin() + kTag + kMac, d.end());
                while (!device->name.empty() && device->name.back() == ' ') device->name.pop_back();
            }
            if (TagIs(d, "REST")) ++device->resets;
        }
        Bytes confirm(d.begin(), d.begin() + kTag + kMac);
        confirm.push_back(m_confirm == Confirm::Ack ? kAck : kNak);
        answers.push_back(confirm);
    }
    if (answers.empty()) return;
    if (m_noise) {
        // Datagrams no client may take for an answer: a short one, a record with another tag, a
        // part record that looks like a tag just before each answer (whose bytes must not shift the
        // answer), and for a command an ACK for another MAC and an ACK cut before its status byte.
        std::vector<Bytes> noisy;
        noisy.push_back(Bytes{'I', 'N'});
        Bytes wrongTag(kTag + kMac + kIp + kName, 0x41);
        std::memcpy(wrongTag.data(), "XXIP", kTag);
        noisy.push_back(wrongTag);
        if (!TagIs(d, "INIP")) {
            Bytes otherMac(d.begin(), d.begin() + kTag + kMac);
            otherMac[kTag] ^= 0xFF;
            otherMac.push_back(kAck);
            noisy.push_back(otherMac);
            noisy.push_back(Bytes(d.begin(), d.begin() + kTag + kMac));
        }
        for (Bytes& answer : answers) {
            noisy.push_back(Bytes{'I', 'N', 'I', 'P', 0x01, 0x02, 0x03});
            noisy.push_back(std::move(answer));
        }
        answers = std::move(noisy);
    }
    Answer(from, std::move(answers), m_delayMs);
}

void UdpDeviceProtocol::Answer(const sockaddr_in& to, std::vector<Bytes> datagrams, unsigned delayMs)
{
    if (delayMs == 0) {
        SendNow(to, datagrams);
        return;
    }
    int timer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (timer < 0) return;
    itimerspec once{};
    once.it_value.tv_sec = delayMs / 1000;
    once.it_value.tv_nsec = static_cast<long>(delayMs % 1000) * 1000000L;
    timerfd_settime(timer, 0, &once, nullptr);
    m_timed.push_back(Timed{timer, to, std::move(datagrams)});
    m_reactor.Watch(timer, POLLIN, [this, timer](short) { OnTimer(timer); });
}

void UdpDeviceProtocol::OnTimer(int timer)
{
    for (auto it = m_timed.begin(); it != m_timed.end(); ++it) {
        if (it->timer != timer) continue;
        SendNow(it->to, it->datagrams);
        m_reactor.Unwatch(timer);
        close(timer);
        m_timed.erase(it);
        return;
    }
}

void UdpDeviceProtocol::SendNow(const sockaddr_in& to, const std::vector<Bytes>& datagrams)
{
    for (const Bytes& d : datagrams)
        sendto(m_fd, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

void UdpDeviceProtocol::AddCommands(ControlInterpreter& interpreter)
{
    interpreter.AddCommand("DEVICE", [this](const ControlInterpreter::Args& args, Clock::time_point) {
        std::string verb = args.empty() ? "" : Upper(args[0]);
        if (verb == "ADD" && args.size() == 4) {
            NetDevice device;
            std::optional<Bytes> mac = FromHex(args[1]);
            std::optional<Bytes> name = FromHex(args[3]);
            if (!mac || mac->size() != kMac) throw ControlError{"MAC: 12 hex digits"};
            if (!ParseDotted(args[2], device.ip)) throw ControlError{"bad IP address"};
            if (!name || name->size() > kName) throw ControlError{"name: at most 10 bytes in hex"};
            std::copy(mac->begin(), mac->end(), device.mac.begin());
            device.name = *name;
            m_devices.push_back(device);
            return std::string("OK");
        }
        if (verb == "CLEAR" && args.size() == 1) {
            m_devices.clear();
            return std::string("OK");
        }
        if (verb == "COUNT" && args.size() == 1) return "OK " + std::to_string(m_devices.size());
        if (verb == "GET" && args.size() == 2) {
            size_t index = std::strtoul(args[1].c_str(), nullptr, 10);
            if (index >= m_devices.size()) throw ControlError{"no such device"};
            const NetDevice& d = m_devices[index];
            char ip[16];
            std::snprintf(ip, sizeof ip, "%u.%u.%u.%u", d.ip[0], d.ip[1], d.ip[2], d.ip[3]);
            return "OK " + ToHex(d.mac.data(), kMac) + " " + ip + " " + ToHex(d.name) + " " + std::to_string(d.resets);
        }
        throw ControlError{"usage: DEVICE ADD|CLEAR|COUNT|GET"};
    });
    interpreter.AddCommand("DISCOVERY", [this](const ControlInterpreter::Args& args, Clock::time_point) {
        std::string mode = args.empty() ? "" : Upper(args[0]);
        if ((mode != "SEPARATE" && mode != "TOGETHER") || args.size() > 2) throw ControlError{"usage: DISCOVERY SEPARATE|TOGETHER [delay-ms]"};
        m_together = mode == "TOGETHER";
        m_delayMs = args.size() == 2 ? static_cast<unsigned>(std::strtoul(args[1].c_str(), nullptr, 10)) : 0;
        return std::string("OK");
    });
    interpreter.AddCommand("CONFIRM", [this](const ControlInterpreter::Args& args, Clock::time_point) {
        std::string mode = args.size() == 1 ? Upper(args[0]) : "";
        if (mode == "ACK") m_confirm = Confirm::Ack;
        else if (mode == "NAK") m_confirm = Confirm::Nak;
        else if (mode == "SILENT") m_confirm = Confirm::Silent;
        else throw ControlError{"usage: CONFIRM ACK|NAK|SILENT"};
        return std::string("OK");
    });
    interpreter.AddCommand("NOISE", [this](const ControlInterpreter::Args& args, Clock::time_point) {
        std::string mode = args.size() == 1 ? Upper(args[0]) : "";
        if (mode != "ON" && mode != "OFF") throw ControlError{"usage: NOISE ON|OFF"};
        m_noise = mode == "ON";
        return std::string("OK");
    });
    interpreter.AddCommand("UDP", [this](const ControlInterpreter::Args& args, Clock::time_point) {
        if (args.size() != 1 || Upper(args[0]) != "STATUS") throw ControlError{"usage: UDP STATUS"};
        return "OK received=" + std::to_string(m_received) + " pending=" + std::to_string(m_timed.size()) +
               " last=" + ToHex(m_last);
    });
}

}  // namespace vprinter

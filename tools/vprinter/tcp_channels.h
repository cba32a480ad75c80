// TcpChannels: the virtual printer's network side for its three TCP channels (main, real time,
// USM), each a listening port. It records what main and real time receive, sends each channel's
// output to its newest connection, and misbehaves on request (refuse, stall, read slowly, close,
// reset, busy). Control commands (channel: main|rt|usm):
//   TCP REFUSE <channel> ON|OFF      stop (resume) listening: connects are refused
//   TCP BUSY <channel> ON|OFF        accept each new connection and close it at once, as a port
//                                    that serves one client and has one
//   TCP STALL <channel> ON|OFF       stop (resume) reading the channel's connections
//   TCP SLOW <channel> <bytes/s>     read at most that fast (0: as fast as data comes)
//   TCP CLOSE <channel>              close the channel's connections in order (FIN)
//   TCP RESET <channel>              abort them (RST)
//   TCP STATUS <channel>             OK accepted=<n> open=<n> peer_closed=<n> port=<n>
#pragma once
#include "control_interpreter.h"
#include "reactor.h"
#include "ticker.h"
#include <array>
#include <list>
#include <memory>
#include <string>

namespace vprinter {

class TcpChannels {
public:
    TcpChannels(Reactor& reactor, PrinterModel& model);
    ~TcpChannels();
    TcpChannels(const TcpChannels&) = delete;
    TcpChannels& operator=(const TcpChannels&) = delete;

    // Listens on host at the three ports (0: the system picks; Port() tells). False with errno.
    bool Listen(const std::string& host, const std::array<unsigned short, kChannelCount>& ports);
    unsigned short Port(Channel channel) const { return m_channels[static_cast<int>(channel)].port; }

    void AddCommands(ControlInterpreter& interpreter);

private:
    struct Connection {
        int fd = -1;
        Bytes output;          // queued for the wire, `done` of it written
        size_t done = 0;
    };
    struct ChannelState;
    class Output;

    bool OpenListener(Channel channel);
    void CloseListener(Channel channel);
    void Accept(Channel channel);
    void OnReady(Channel channel, int fd, short revents);
    void ReadSome(Channel channel, Connection& connection, size_t budget);
    void Flush(Channel channel, Connection& connection);
    void UpdateEvents(Channel channel, const Connection& connection);
    void Drop(Channel channel, int fd, bool reset);
    void Transmit(Channel channel, std::span<const uint8_t> bytes);
    void OnTick();
    ChannelState& State(Channel channel) { return m_channels[static_cast<int>(channel)]; }

    struct ChannelState {
        unsigned short port = 0;
        int listener = -1;
        bool refuse = false;
        bool busy = false;
        bool stall = false;
        size_t bytesPerSecond = 0;       // 0: no limit
        std::list<Connection> connections;  // newest last; output goes to the newest
        uint64_t accepted = 0;
        uint64_t peerClosed = 0;
        Output* output = nullptr;
    };

    Reactor& m_reactor;
    PrinterModel& m_model;
    std::string m_host;
    std::array<ChannelState, kChannelCount> m_channels;
    std::unique_ptr<Ticker> m_ticker;    // paces the slow readers
};

}  // namespace vprinter

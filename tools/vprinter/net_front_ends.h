// NetworkFrontEnds: the command-line options and the start of the virtual printer's network side
// (the three TCP channels and the UDP device protocol).
//   --tcp HOST:MAIN,RT,USM   listen for the three channels (port 0: the system picks)
//   --udp HOST:PORT          answer the device protocol (0.0.0.0:48618 to hear broadcasts)
//   --net-file FILE          write "main rt usm udp" ports once listening (before --port-file)
#pragma once
#include "control_interpreter.h"
#include "reactor.h"
#include "tcp_channels.h"
#include "udp_device_protocol.h"
#include <array>
#include <memory>
#include <string>

namespace vprinter {

struct NetworkOptions {
    bool tcp = false;
    std::string tcpHost;
    std::array<unsigned short, kChannelCount> tcpPorts{};
    bool udp = false;
    std::string udpHost;
    unsigned short udpPort = 0;
    std::string netFile;
};

// Takes argv[i] (and its value) when it is one of the options above; false leaves i alone.
bool ParseNetworkOption(int argc, char** argv, int& i, NetworkOptions& options);

class NetworkFrontEnds {
public:
    NetworkFrontEnds(Reactor& reactor, PrinterModel& model) : m_reactor(reactor), m_model(model) {}
    // Starts what the options ask for and adds its control commands. False with a message on stderr.
    bool Start(const NetworkOptions& options, ControlInterpreter& interpreter);

private:
    Reactor& m_reactor;
    PrinterModel& m_model;
    std::unique_ptr<TcpChannels> m_tcp;
    std::unique_ptr<UdpDeviceProtocol> m_udp;
};

}  // namespace vprinter

// Options and start-up of the virtual printer's TCP channels and UDP device protocol.
#include "net_front_ends.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace vprinter {
namespace {

bool SplitHostPort(const std::string& value, std::string& host, std::string& rest)
{
    size_t colon = value.rfind(':');
    if (colon == std::string::npos) return false;
    host = value.substr(0, colon);
    rest = value.substr(colon + 1);
    return true;
}

}  // namespace

bool ParseNetworkOption(int argc, char** argv, int& i, NetworkOptions& options)
{
    std::string arg = argv[i];
    if (i + 1 >= argc) return false;
    std::string value = argv[i + 1];
    std::string host, rest;
    if (arg == "--tcp" && SplitHostPort(value, host, rest)) {
        unsigned ports[kChannelCount];
        if (std::sscanf(rest.c_str(), "%u,%u,%u", &ports[0], &ports[1], &ports[2]) != 3) return false;
        for (int c = 0; c < kChannelCount; ++c) options.tcpPorts[c] = static_cast<unsigned short>(ports[c]);
        options.tcpHost = host;
        options.tcp = true;
    } else if (arg == "--udp" && SplitHostPort(value, host, rest)) {
        options.udpHost = host;
        options.udpPort = static_cast<unsigned short>(std::strtoul(rest.c_str(), nullptr, 10));
        options.udp = true;
    } else if (arg == "--net-file") {
        options.netFile = value;
    } else {
        return false;
    }
    ++i;
    return true;
}

bool NetworkFrontEnds::Start(const NetworkOptions& options, ControlInterpreter& interpreter)
{
    if (options.tcp) {
        m_tcp = std::make_unique<TcpChannels>(m_reactor, m_model);
        if (!m_tcp->Listen(options.tcpHost, options.tcpPorts)) {
            std::fprintf(stderr, "vprinter: cannot listen for TCP channels on %s: %s\n", options.tcpHost.c_str(),
                         std::strerror(errno));
            return false;
        }
        m_tcp->AddCommands(interpreter);
    }
    if (options.udp) {
        m_udp = std::make_unique<UdpDeviceProtocol>(m_reactor);
        if (!m_udp->Listen(options.udpHost, options.udpPort)) {
            std::fprintf(stderr, "vprinter: cannot bind UDP %s:%u: %s\n", options.udpHost.c_str(), options.udpPort,
                         std::strerror(errno));
            return false;
        }
        m_udp->AddCommands(interpreter);
    }
    if (!options.netFile.empty()) {
        std::string temporary = options.netFile + ".new";
        {
            std::ofstream file(temporary, std::ios::trunc);
            file << (m_tcp ? m_tcp->Port(Channel::Main) : 0) << " " << (m_tcp ? m_tcp->Port(Channel::RealTime) : 0)
                 << " " << (m_tcp ? m_tcp->Port(Channel::Usm) : 0) << " " << (m_udp ? m_udp->Port() : 0) << "\n";
            if (!file) return false;
        }
        if (std::rename(temporary.c_str(), options.netFile.c_str()) != 0) return false;
    }
    return true;
}

}  // namespace vprinter

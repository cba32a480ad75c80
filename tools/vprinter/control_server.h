// ControlServer: the loopback TCP listener that feeds control lines to the interpreter.
#pragma once
#include "control_interpreter.h"
#include "reactor.h"
#include <map>
#include <string>

namespace vprinter {

class ControlServer {
public:
    ControlServer(Reactor& reactor, ControlInterpreter& interpreter);
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    // Listens on host:port (port 0: the system picks one); returns false with errno set.
    bool Listen(const std::string& host, unsigned short port);
    unsigned short Port() const { return m_port; }

private:
    struct Client {
        std::string input;
        std::string output;
    };
    void Accept();
    void Service(int fd, short revents);
    void Drop(int fd);

    Reactor& m_reactor;
    ControlInterpreter& m_interpreter;
    int m_listener = -1;
    unsigned short m_port = 0;
    std::map<int, Client> m_clients;
};

}  // namespace vprinter

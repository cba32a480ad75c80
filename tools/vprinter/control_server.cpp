// Control connections: line framing, replies queued until the socket takes them.
#include "control_server.h"
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

#include "bound_socket.h"

namespace vprinter {
namespace {

// A client that sends a longer line without a line end is not speaking this protocol.
constexpr size_t kMaxLine = 64 * 1024;

}  // namespace

ControlServer::ControlServer(Reactor& reactor, ControlInterpreter& interpreter)
    : m_reactor(reactor), m_interpreter(interpreter)
{
}

ControlServer::~ControlServer()
{
    while (!m_clients.empty()) Drop(m_clients.begin()->first);
    if (m_listener >= 0) {
        m_reactor.Unwatch(m_listener);
        close(m_listener);
    }
}

bool ControlServer::Listen(const std::string& host, unsigned short port)
{
    m_listener = OpenBoundSocket(host, port, SOCK_STREAM);
    if (m_listener < 0 || listen(m_listener, 8) != 0) return false;
    m_port = port;
    m_reactor.Watch(m_listener, POLLIN, [this](short) { Accept(); });
    return true;
}

void ControlServer::Accept()
{
    int fd = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    m_clients[fd] = Client{};
    m_reactor.Watch(fd, POLLIN, [this, fd](short revents) { Service(fd, revents); });
}

void ControlServer::Service(int fd, short revents)
{
    Client& client = m_clients[fd];
    if (revents & (POLLIN | POLLHUP | POLLERR)) {
        char buffer[4096];
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
            Drop(fd);
            return;
        }
        if (got > 0) client.input.append(buffer, static_cast<size_t>(got));
        size_t end;
        while ((end = client.input.find('\n')) != std::string::npos) {
            std::string line = client.input.substr(0, end);
            client.input.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            client.output += m_interpreter.Execute(line, Clock::now()) + "\n";
        }
        if (client.input.size() > kMaxLine) {
            Drop(fd);
            return;
        }
    }
    while (!client.output.empty()) {
        ssize_t put = send(fd, client.output.data(), client.output.size(), MSG_NOSIGNAL);
        if (put < 0) {
            if (errno == EAGAIN || errno == EINTR) break;
            Drop(fd);
            return;
        }
        client.output.erase(0, static_cast<size_t>(put));
    }
    m_reactor.SetEvents(fd, client.output.empty() ? POLLIN : POLLIN | POLLOUT);
    // QUIT ends the program only once its "OK" is on its way.
    if (m_interpreter.QuitRequested() && client.output.empty()) m_reactor.Stop();
}

void ControlServer::Drop(int fd)
{
    m_reactor.Unwatch(fd);
    m_clients.erase(fd);
    close(fd);
}

}  // namespace vprinter

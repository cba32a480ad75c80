// The three TCP channels of the virtual printer, with the faults a test can ask for.
#include "tcp_channels.h"
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "bound_socket.h"

namespace vprinter {
namespace {

constexpr int kReceiveBuffer = 256 * 1024;      // small enough that a stalled reader backs up soon

std::string Upper(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool OnOff(const std::string& word)
{
    std::string w = Upper(word);
    if (w == "ON") return true;
    if (w == "OFF") return false;
    throw ControlError{"expected ON or OFF"};
}

}  // namespace

// Carries one channel's output from the model to the channel's newest connection.
class TcpChannels::Output : public ChannelOutput {
public:
    Output(TcpChannels& owner, Channel channel) : m_owner(owner), m_channel(channel) {}
    void Transmit(std::span<const uint8_t> bytes, bool) override { m_owner.Transmit(m_channel, bytes); }

private:
    TcpChannels& m_owner;
    Channel m_channel;
};

TcpChannels::TcpChannels(Reactor& reactor, PrinterModel& model) : m_reactor(reactor), m_model(model) {}

TcpChannels::~TcpChannels()
{
    for (int c = 0; c < kChannelCount; ++c) {
        Channel channel = static_cast<Channel>(c);
        while (!State(channel).connections.empty()) Drop(channel, State(channel).connections.front().fd, false);
        CloseListener(channel);
        m_model.Attach(channel, nullptr);
        delete State(channel).output;
    }
}

bool TcpChannels::Listen(const std::string& host, const std::array<unsigned short, kChannelCount>& ports)
{
    m_host = host;
    for (int c = 0; c < kChannelCount; ++c) {
        Channel channel = static_cast<Channel>(c);
        State(channel).port = ports[c];
        if (!OpenListener(channel)) return false;
        State(channel).output = new Output(*this, channel);
        m_model.Attach(channel, State(channel).output);
    }
    m_ticker = std::make_unique<Ticker>(m_reactor, [this] { OnTick(); });
    return m_ticker->Ok();
}

bool TcpChannels::OpenListener(Channel channel)
{
    ChannelState& state = State(channel);
    unsigned short port = state.port;
    int fd = OpenBoundSocket(m_host, port, SOCK_STREAM);
    if (fd < 0) return false;
    // Before listen(): accepted connections take their receive buffer from the listener.
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBuffer, sizeof kReceiveBuffer);
    if (listen(fd, 16) != 0) {
        int error = errno;
        close(fd);
        errno = error;
        return false;
    }
    state.port = port;   // the same port again when refusing ends
    state.listener = fd;
    m_reactor.Watch(fd, POLLIN, [this, channel](short) { Accept(channel); });
    return true;
}

void TcpChannels::CloseListener(Channel channel)
{
    ChannelState& state = State(channel);
    if (state.listener < 0) return;
    m_reactor.Unwatch(state.listener);
    close(state.listener);
    state.listener = -1;
}

void TcpChannels::Accept(Channel channel)
{
    ChannelState& state = State(channel);
    int fd = accept4(state.listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    ++state.accepted;
    if (state.busy) {
        close(fd);
        return;
    }
    state.connections.push_back(Connection{fd, {}, 0});
    m_reactor.Watch(fd, 0, [this, channel, fd](short revents) { OnReady(channel, fd, revents); });
    UpdateEvents(channel, state.connections.back());
}

void TcpChannels::UpdateEvents(Channel channel, const Connection& connection)
{
    const ChannelState& state = State(channel);
    short events = 0;
    if (!state.stall && state.bytesPerSecond == 0) events |= POLLIN;
    if (connection.done < connection.output.size()) events |= POLLOUT;
    m_reactor.SetEvents(connection.fd, events);
}

void TcpChannels::OnReady(Channel channel, int fd, short revents)
{
    ChannelState& state = State(channel);
    for (Connection& connection : state.connections) {
        if (connection.fd != fd) continue;
        if (revents & POLLOUT) Flush(channel, connection);
        if (revents & POLLIN) {
            ReadSome(channel, connection, 64 * 1024);   // may drop the connection: return at once
            return;
        }
        if (revents & (POLLERR | POLLHUP)) {
            ++state.peerClosed;
            Drop(channel, fd, false);
        }
        return;
    }
}

void TcpChannels::ReadSome(Channel channel, Connection& connection, size_t budget)
{
    uint8_t buffer[64 * 1024];
    size_t want = budget < sizeof buffer ? budget : sizeof buffer;
    ssize_t got = recv(connection.fd, buffer, want, 0);
    if (got > 0) {
        m_model.Receive(channel, std::span<const uint8_t>(buffer, static_cast<size_t>(got)), Clock::now());
        return;
    }
    if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
        ++State(channel).peerClosed;
        Drop(channel, connection.fd, false);
    }
}

void TcpChannels::OnTick()
{
    for (int c = 0; c < kChannelCount; ++c) {
        Channel channel = static_cast<Channel>(c);
        ChannelState& state = State(channel);
        if (state.stall || state.bytesPerSecond == 0 || state.connections.empty()) continue;
        size_t budget = Ticker::Share(state.bytesPerSecond);
        // Each connection gets the budget; Drop may remove one, so walk by descriptor.
        std::vector<int> fds;
        for (const Connection& connection : state.connections) fds.push_back(connection.fd);
        for (int fd : fds)
            for (Connection& connection : state.connections)
                if (connection.fd == fd) {
                    ReadSome(channel, connection, budget);
                    break;
                }
    }
}

void TcpChannels::Transmit(Channel channel, std::span<const uint8_t> bytes)
{
    ChannelState& state = State(channel);
    if (state.connections.empty()) return;   // nobody connected: the printer's output is lost, as on a wire
    Connection& connection = state.connections.back();
    connection.output.insert(connection.output.end(), bytes.begin(), bytes.end());
    Flush(channel, connection);
}

void TcpChannels::Flush(Channel channel, Connection& connection)
{
    while (connection.done < connection.output.size()) {
        ssize_t put = send(connection.fd, connection.output.data() + connection.done,
                           connection.output.size() - connection.done, MSG_NOSIGNAL);
        if (put <= 0) break;
        connection.done += static_cast<size_t>(put);
    }
    if (connection.done == connection.output.size()) {
        connection.output.clear();
        connection.done = 0;
    }
    UpdateEvents(channel, connection);
}

void TcpChannels::Drop(Channel channel, int fd, bool reset)
{
    ChannelState& state = State(channel);
    for (auto it = state.connections.begin(); it != state.connections.end(); ++it) {
        if (it->fd != fd) continue;
        if (reset) {
            linger abort{1, 0};   // close with RST instead of FIN
            setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        }
        m_reactor.Unwatch(fd);
        close(fd);
        state.connections.erase(it);
        return;
    }
}

void TcpChannels::AddCommands(ControlInterpreter& interpreter)
{
    interpreter.AddCommand("TCP", [this](const ControlInterpreter::Args& args, Clock::time_point) {
        if (args.size() < 2)
            throw ControlError{"usage: TCP REFUSE|BUSY|STALL|SLOW|CLOSE|RESET|STATUS <channel> ..."};
        std::string verb = Upper(args[0]);
        std::optional<Channel> parsed = ParseChannel(args[1]);
        if (!parsed) throw ControlError{"unknown channel"};
        Channel channel = *parsed;
        ChannelState& state = State(channel);
        auto refreshAll = [&] {
            for (const Connection& connection : state.connections) UpdateEvents(channel, connection);
        };
        if (verb == "REFUSE" && args.size() == 3) {
            state.refuse = OnOff(args[2]);
            if (state.refuse)
                CloseListener(channel);
            else if (state.listener < 0 && !OpenListener(channel))
                throw ControlError{"cannot listen again"};
        } else if (verb == "BUSY" && args.size() == 3) {
            state.busy = OnOff(args[2]);
        } else if (verb == "STALL" && args.size() == 3) {
            state.stall = OnOff(args[2]);
            refreshAll();
        } else if (verb == "SLOW" && args.size() == 3) {
            state.bytesPerSecond = std::strtoull(args[2].c_str(), nullptr, 10);
            refreshAll();
        } else if ((verb == "CLOSE" || verb == "RESET") && args.size() == 2) {
            while (!state.connections.empty()) Drop(channel, state.connections.front().fd, verb == "RESET");
        } else if (verb == "STATUS" && args.size() == 2) {
            char reply[128];
            std::snprintf(reply, sizeof reply, "OK accepted=%llu open=%zu peer_closed=%llu port=%u",
                          static_cast<unsigned long long>(state.accepted), state.connections.size(),
                          static_cast<unsigned long long>(state.peerClosed), state.port);
            return std::string(reply);
        } else {
            throw ControlError{"bad TCP command"};
        }
        return std::string("OK");
    });
}

}  // namespace vprinter

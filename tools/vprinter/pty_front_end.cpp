// The serial side of the virtual printer over a pseudo-terminal.
#include "pty_front_end.h"
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <strings.h>
#include <termios.h>
#include <unistd.h>

namespace vprinter {
namespace {

constexpr uint8_t kXon = 0x11;
constexpr uint8_t kXoff = 0x13;

unsigned BaudOf(speed_t speed)
{
    static const struct {
        speed_t code;
        unsigned baud;
    } kSpeeds[] = {{B50, 50},       {B75, 75},       {B110, 110},       {B134, 134},       {B150, 150},
                   {B200, 200},     {B300, 300},     {B600, 600},       {B1200, 1200},     {B1800, 1800},
                   {B2400, 2400},   {B4800, 4800},   {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
                   {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600}};
    for (const auto& entry : kSpeeds)
        if (entry.code == speed) return entry.baud;
    return 0;
}

}  // namespace

PtyFrontEnd::PtyFrontEnd(Reactor& reactor, PrinterModel& model) : m_reactor(reactor), m_model(model) {}

PtyFrontEnd::~PtyFrontEnd()
{
    m_model.Attach(Channel::Main, nullptr);
    if (m_master >= 0) {
        m_reactor.Unwatch(m_master);
        close(m_master);
    }
    if (m_slave >= 0) close(m_slave);
    // Leave no link pointing at a pty that no longer exists.
    if (!m_link.empty()) unlink(m_link.c_str());
}

bool PtyFrontEnd::Open(const std::string& link)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) return false;
    const char* name = ptsname(m_master);
    if (!name) return false;
    m_slavePath = name;
    m_slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) return false;

    termios tio{};
    if (tcgetattr(m_slave, &tio) != 0) return false;
    cfmakeraw(&tio);
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    if (tcsetattr(m_slave, TCSANOW, &tio) != 0) return false;
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);

    if (!link.empty()) {
        // Replace the link in one step so a port being opened never finds it missing.
        std::string temporary = link + ".new";
        unlink(temporary.c_str());
        if (symlink(name, temporary.c_str()) != 0 || rename(temporary.c_str(), link.c_str()) != 0) return false;
        m_link = link;
    }
    m_reactor.Watch(m_master, POLLIN, [this](short revents) { OnReady(revents); });
    m_model.Attach(Channel::Main, this);
    return true;
}

void PtyFrontEnd::OnReady(short revents)
{
    if (revents & POLLIN) ReadSome(SIZE_MAX);
    if (revents & POLLOUT) Flush();
}

void PtyFrontEnd::ReadSome(size_t budget)
{
    uint8_t buffer[16384];
    ssize_t got = read(m_master, buffer, std::min(budget, sizeof buffer));
    if (got > 0) m_model.Receive(Channel::Main, std::span<const uint8_t>(buffer, static_cast<size_t>(got)), Clock::now());
}

void PtyFrontEnd::Transmit(std::span<const uint8_t> bytes, bool urgent)
{
    if (urgent)
        m_output.insert(m_output.begin() + static_cast<std::ptrdiff_t>(m_outputDone), bytes.begin(), bytes.end());
    else
        m_output.insert(m_output.end(), bytes.begin(), bytes.end());
    Flush();
}

void PtyFrontEnd::Flush()
{
    while (m_outputDone < m_output.size()) {
        ssize_t put = write(m_master, m_output.data() + m_outputDone, m_output.size() - m_outputDone);
        if (put <= 0) break;  // EAGAIN: the slave's input is full until the port's user reads
        m_outputDone += static_cast<size_t>(put);
    }
    if (m_outputDone == m_output.size()) {
        m_output.clear();
        m_outputDone = 0;
    }
    UpdateEvents();
}

void PtyFrontEnd::UpdateEvents()
{
    // A slowed reader reads at its ticks only.
    short events = m_bytesPerSecond == 0 ? POLLIN : 0;
    if (!m_output.empty()) events |= POLLOUT;
    m_reactor.SetEvents(m_master, events);
}

LineSettings PtyFrontEnd::Line() const
{
    LineSettings line;
    termios tio{};
    if (tcgetattr(m_slave, &tio) != 0) return line;
    line.baud = BaudOf(cfgetospeed(&tio));
    line.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
    line.crtscts = tio.c_cflag & CRTSCTS;
    line.ixon = tio.c_iflag & IXON;
    line.ixoff = tio.c_iflag & IXOFF;
    return line;
}

void PtyFrontEnd::AddCommands(ControlInterpreter& interpreter)
{
    interpreter.AddCommand("LINE", [this](const ControlInterpreter::Args&, Clock::time_point) {
        LineSettings line = Line();
        char reply[160];
        std::snprintf(reply, sizeof reply, "OK baud=%u stop=%d crtscts=%d ixon=%d ixoff=%d", line.baud,
                      line.stopBits, line.crtscts, line.ixon, line.ixoff);
        return std::string(reply);
    });
    // Flow-control characters overtake queued data, as a UART sends them.
    interpreter.AddCommand("XOFF", [this](const ControlInterpreter::Args&, Clock::time_point) {
        Transmit(std::span<const uint8_t>(&kXoff, 1), true);
        return std::string("OK");
    });
    // Drops what the port's user has not read yet and what is still queued for it.
    interpreter.AddCommand("FLUSH", [this](const ControlInterpreter::Args&, Clock::time_point) {
        m_output.clear();
        m_outputDone = 0;
        tcflush(m_slave, TCIOFLUSH);
        UpdateEvents();
        return std::string("OK");
    });
    interpreter.AddCommand("XON", [this](const ControlInterpreter::Args&, Clock::time_point) {
        Transmit(std::span<const uint8_t>(&kXon, 1), true);
        return std::string("OK");
    });
    // The port's writes are held back as on a slower machine, with the pty's own buffer between.
    interpreter.AddCommand("PTY", [this](const ControlInterpreter::Args& args, Clock::time_point) {
        if (args.size() != 2 || strcasecmp(args[0].c_str(), "SLOW") != 0) throw ControlError{"usage: PTY SLOW <bytes/s>"};
        size_t bytesPerSecond = NumberArg(args, 1);
        std::unique_ptr<Ticker> ticker;
        if (bytesPerSecond) {
            ticker = std::make_unique<Ticker>(m_reactor, [this] { ReadSome(Ticker::Share(m_bytesPerSecond)); });
            if (!ticker->Ok()) throw ControlError{"no timer"};
        }
        m_bytesPerSecond = bytesPerSecond;
        m_ticker = std::move(ticker);
        UpdateEvents();
        return std::string("OK");
    });
}

}  // namespace vprinter
